# The region selector as a Wayland client over two outputs of a headless sway of its own, the
# second output at scale 1 and at scale 2.
pkg_check_modules(OZMIRA_WAYLAND_CLIENT IMPORTED_TARGET wayland-client)
if(TARGET ozmira_qt_overlay AND TARGET ozmira_capture AND OZMIRA_WAYLAND_CLIENT_FOUND)
  # The seat's pointer device; the program's Wayland test uses it too.
  add_executable(virtual_pointer ${CMAKE_SOURCE_DIR}/tests/support/virtual_pointer.cpp)
  target_link_libraries(virtual_pointer PRIVATE PkgConfig::OZMIRA_WAYLAND_CLIENT)
  foreach(scale 1 2)
    set(variant qt_overlay_wayland_scale${scale}_test)
    add_test(NAME ${variant}
             COMMAND ${CMAKE_SOURCE_DIR}/scripts/headless-wayland.sh
                     $<TARGET_FILE:qt_overlay_wayland_test>)
    set_tests_properties(${variant} PROPERTIES LABELS wayland TIMEOUT 180
                         ENVIRONMENT "OZMIRA_TEST_SECOND_SCALE=${scale}")
  endforeach()
  add_executable(qt_overlay_wayland_test ${CMAKE_CURRENT_LIST_DIR}/qt_overlay_wayland_test.cpp)
  target_link_libraries(qt_overlay_wayland_test PRIVATE ozmira_capture ozmira_qt_overlay
                        nlohmann_json::nlohmann_json GTest::gtest)
  target_include_directories(qt_overlay_wayland_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(qt_overlay_wayland_test PRIVATE
                             VIRTUAL_POINTER="$<TARGET_FILE:virtual_pointer>")
  add_dependencies(qt_overlay_wayland_test virtual_pointer)
endif()
