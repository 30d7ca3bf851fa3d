if(TARGET ozmira_hotkeys AND TARGET ozmira_test_support)
  ozmira_test(hotkeys_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/key_name_table_test.cpp
                      ${CMAKE_CURRENT_LIST_DIR}/hotkey_manager_test.cpp
              DEPS ozmira_hotkeys ozmira_test_support)
endif()
