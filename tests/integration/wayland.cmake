# The program as a Wayland client, in a headless sway session with the desktop portal that
# scripts/headless-wayland.sh starts around the whole test program (one session for all of
# its cases). sway's /tmp/out.png of the portal is shared, so one such test runs at a time.
pkg_check_modules(OZMIRA_WAYLAND_CLIENT IMPORTED_TARGET wayland-client)
# text_window comes from this folder's CMakeLists.txt, after the fragments.
if(TARGET ozmira AND TARGET ozmira_test_server AND TARGET sync_target AND TARGET ozmira_codec
   AND OZMIRA_WAYLAND_CLIENT_FOUND)
  if(NOT TARGET virtual_pointer)
    add_executable(virtual_pointer ${CMAKE_SOURCE_DIR}/tests/support/virtual_pointer.cpp)
    target_link_libraries(virtual_pointer PRIVATE PkgConfig::OZMIRA_WAYLAND_CLIENT)
  endif()
  add_executable(wayland_program_test
    ${CMAKE_CURRENT_LIST_DIR}/wayland_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
    ${CMAKE_CURRENT_LIST_DIR}/line_process.cpp
    ${CMAKE_SOURCE_DIR}/tests/platform/target_process.cpp
    ${CMAKE_SOURCE_DIR}/tests/support/child_process.cpp)
  target_link_libraries(wayland_program_test PRIVATE ozmira_test_server ozmira_ini ozmira_charset
                        ozmira_codec nlohmann_json::nlohmann_json GTest::gtest GTest::gtest_main)
  target_include_directories(wayland_program_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(wayland_program_test PRIVATE
    OZMIRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}" OZMIRA_BINARY_DIR="${CMAKE_BINARY_DIR}"
    SYNC_TARGET="$<TARGET_FILE:sync_target>"
    SYNC_TARGET_GTK="${CMAKE_SOURCE_DIR}/tests/support/sync_target_gtk.py"
    TEXT_WINDOW="$<TARGET_FILE:text_window>" VIRTUAL_POINTER="$<TARGET_FILE:virtual_pointer>")
  add_dependencies(wayland_program_test ozmira sync_target text_window virtual_pointer)
  add_test(NAME wayland_program_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/headless-wayland.sh
                   $<TARGET_FILE:wayland_program_test>)
  set_tests_properties(wayland_program_test PROPERTIES LABELS wayland RESOURCE_LOCK wayland_portal
                       ENVIRONMENT "OZMIRA_SOURCE_DIR=${CMAKE_SOURCE_DIR}" TIMEOUT 300)
endif()
