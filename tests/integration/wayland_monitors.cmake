# The program as a Wayland client on two outputs of a headless sway, the second one left of
# the primary, at scale 1 and at scale 2 (scripts/headless-wayland.sh around the whole test).
if(TARGET ozmira AND TARGET ozmira_test_server AND TARGET ozmira_codec AND TARGET virtual_pointer)
  add_executable(wayland_monitors_test ${CMAKE_CURRENT_LIST_DIR}/wayland_monitors_test.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
                                       ${CMAKE_CURRENT_LIST_DIR}/line_process.cpp
                                       ${CMAKE_SOURCE_DIR}/tests/support/child_process.cpp)
  target_link_libraries(wayland_monitors_test PRIVATE ozmira_test_server ozmira_ini ozmira_charset
                        ozmira_codec nlohmann_json::nlohmann_json GTest::gtest GTest::gtest_main)
  target_include_directories(wayland_monitors_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(wayland_monitors_test PRIVATE OZMIRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             OZMIRA_BINARY_DIR="${CMAKE_BINARY_DIR}"
                             VIRTUAL_POINTER="$<TARGET_FILE:virtual_pointer>")
  add_dependencies(wayland_monitors_test ozmira virtual_pointer)
  add_test(NAME wayland_monitors_test
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/headless-wayland.sh
                   $<TARGET_FILE:wayland_monitors_test>)
  set_tests_properties(wayland_monitors_test PROPERTIES LABELS wayland
                       RESOURCE_LOCK wayland_portal TIMEOUT 300
                       ENVIRONMENT "OZMIRA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endif()
