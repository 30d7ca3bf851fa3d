if(TARGET ozmira AND TARGET ozmira_test_server)
  ozmira_test(tray_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/tray_test.cpp ${CMAKE_CURRENT_LIST_DIR}/program_runner.cpp
              DEPS ozmira_test_server ozmira_ini ozmira_charset nlohmann_json::nlohmann_json
              LABELS program)
  add_dependencies(tray_test ozmira)
endif()
