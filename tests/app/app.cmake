if(TARGET ozmira_app AND TARGET ozmira_test_support)
  ozmira_test(results_table_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/results_table_test.cpp
              DEPS ozmira_shell ozmira_test_support)
  ozmira_test(main_window_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/main_window_commands_test.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/update_notice_test.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/startup_network_test.cpp
              DEPS ozmira_app ozmira_test_support)
endif()
