# The region selector on the Qt overlay and the X11 screen, driven by xdotool under a real X
# server; once as is and once with Qt scaling every window by two.
if(TARGET ozmira_qt_overlay AND TARGET ozmira_x11_screen AND TARGET ozmira_capture)
  foreach(variant qt_overlay_test qt_overlay_scaled_test)
    ozmira_test(${variant}
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_overlay_test.cpp
              ${CMAKE_CURRENT_LIST_DIR}/x11_pattern_window.cpp
      DEPS ozmira_capture ozmira_qt_overlay ozmira_x11_screen
      LABELS gui)
  endforeach()
  target_compile_definitions(qt_overlay_scaled_test PRIVATE OZMIRA_TEST_SCALE_FACTOR="2")
endif()
