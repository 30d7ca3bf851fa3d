if(TARGET ozmira AND TARGET ozmira_test_server)
  ozmira_test(command_bus_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_bus_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
              DEPS ozmira_test_server ozmira_ini ozmira_charset nlohmann_json::nlohmann_json
              LABELS program)
  add_dependencies(command_bus_test ozmira)
  target_compile_definitions(command_bus_test PRIVATE
                             FAKE_PORTAL="${CMAKE_CURRENT_LIST_DIR}/fake_portal.py")
endif()
