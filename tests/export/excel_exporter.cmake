if(TARGET ozmira_export AND TARGET ozmira_app AND TARGET ozmira_test_support AND TARGET ozmira_xlsx_tool)
  ozmira_test(excel_exporter_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/excel_exporter_test.cpp
              DEPS ozmira_app ozmira_export ozmira_test_support ozmira_xlsx_tool)
endif()
