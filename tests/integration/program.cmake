if(TARGET ozmira AND TARGET ozmira_test_server)
  ozmira_test(program_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/program_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
              DEPS ozmira_test_server ozmira_ini ozmira_charset nlohmann_json::nlohmann_json
              LABELS program)
  add_dependencies(program_test ozmira)
  target_include_directories(program_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
if(TARGET ozmira AND TARGET ozmira_test_server AND TARGET sync_target AND TARGET ozmira_codec)
  pkg_check_modules(OZMIRA_XCB_TEST REQUIRED IMPORTED_TARGET xcb)
  ozmira_test(capture_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
                      ${CMAKE_SOURCE_DIR}/tests/platform/target_process.cpp
                      ${CMAKE_SOURCE_DIR}/tests/support/child_process.cpp
                      ${CMAKE_SOURCE_DIR}/tests/platform/x11_pattern_window.cpp
              DEPS ozmira_test_server ozmira_ini ozmira_charset ozmira_codec nlohmann_json::nlohmann_json
                   PkgConfig::OZMIRA_XCB_TEST
              LABELS program)
  add_dependencies(capture_test ozmira sync_target)
  target_compile_definitions(capture_test PRIVATE SYNC_TARGET="$<TARGET_FILE:sync_target>"
                             SYNC_TARGET_GTK="${CMAKE_SOURCE_DIR}/tests/support/sync_target_gtk.py")
endif()
if(TARGET ozmira AND TARGET ozmira_test_server AND TARGET ozmira_xlsx_tool)
  ozmira_test(commands_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
              DEPS ozmira_test_server ozmira_xlsx_tool ozmira_ini ozmira_charset nlohmann_json::nlohmann_json
              LABELS program)
  add_dependencies(commands_test ozmira)
endif()
if(TARGET ozmira AND TARGET ozmira_test_server)
  add_executable(text_window ${CMAKE_SOURCE_DIR}/tests/support/text_window.cpp)
  target_link_libraries(text_window PRIVATE Qt6::Widgets)
  ozmira_test(offline_program_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/offline_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/line_process.cpp
                      ${CMAKE_SOURCE_DIR}/tests/support/child_process.cpp
              DEPS ozmira_test_server ozmira_ini ozmira_charset nlohmann_json::nlohmann_json
              LABELS program)
  add_dependencies(offline_program_test ozmira text_window)
  target_compile_definitions(offline_program_test PRIVATE TEXT_WINDOW="$<TARGET_FILE:text_window>")
endif()
