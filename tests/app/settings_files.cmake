if(TARGET ozmira_app AND TARGET ozmira_test_support)
  ozmira_test(settings_files_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_files_test.cpp
              DEPS ozmira_app ozmira_test_support)
endif()
