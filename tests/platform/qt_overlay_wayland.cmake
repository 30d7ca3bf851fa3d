# The region selector as a Wayland client over two outputs of a headless sway of its own.
if(TARGET ozmira_qt_overlay AND TARGET ozmira_capture)
  add_executable(qt_overlay_wayland_test ${CMAKE_CURRENT_LIST_DIR}/qt_overlay_wayland_test.cpp)
  target_link_libraries(qt_overlay_wayland_test PRIVATE ozmira_capture ozmira_qt_overlay GTest::gtest)
  target_include_directories(qt_overlay_wayland_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME qt_overlay_wayland_test
           COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/sway_two_outputs.sh
                   $<TARGET_FILE:qt_overlay_wayland_test>)
  set_tests_properties(qt_overlay_wayland_test PROPERTIES LABELS gui TIMEOUT 120)
endif()
