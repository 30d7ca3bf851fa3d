if(TARGET ozmira AND TARGET ozmira_test_server)
  ozmira_test(program_files_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/program_files_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
              DEPS ozmira_test_server ozmira_ini ozmira_charset nlohmann_json::nlohmann_json
              LABELS program)
  add_dependencies(program_files_test ozmira)
  target_include_directories(program_files_test PRIVATE ${CMAKE_SOURCE_DIR}/tests)
endif()
