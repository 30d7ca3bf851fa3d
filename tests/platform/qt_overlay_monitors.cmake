# The region selector over two monitors, on an X server of the test's own (a RandR layout
# of two monitors); once as is and once with Qt scaling every window by two.
if(TARGET ozmira_qt_overlay AND TARGET ozmira_x11_screen AND TARGET ozmira_capture)
  foreach(variant qt_overlay_monitors_test qt_overlay_monitors_scaled_test)
    add_executable(${variant} ${CMAKE_CURRENT_LIST_DIR}/qt_overlay_monitors_test.cpp
                              ${CMAKE_CURRENT_LIST_DIR}/x11_pattern_window.cpp)
    target_link_libraries(${variant} PRIVATE ozmira_capture ozmira_qt_overlay ozmira_x11_screen
                                             GTest::gtest)
    target_include_directories(${variant} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    add_test(NAME ${variant}
             COMMAND ${CMAKE_SOURCE_DIR}/tests/scripts/two_monitors.sh $<TARGET_FILE:${variant}>)
    set_tests_properties(${variant} PROPERTIES LABELS gui TIMEOUT 120)
  endforeach()
  target_compile_definitions(qt_overlay_monitors_scaled_test PRIVATE OZMIRA_TEST_SCALE_FACTOR="2")
endif()
