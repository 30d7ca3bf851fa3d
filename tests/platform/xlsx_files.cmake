# How the .xlsx engine replaces the user's workbook file.
if(TARGET ozmira_xlsx AND TARGET ozmira_xlsx_tool)
  ozmira_test(xlsx_files_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsx_files_test.cpp
              DEPS ozmira_xlsx ozmira_xlsx_tool)
endif()
