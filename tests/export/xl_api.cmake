# XlApi over the real .xlsx engine, checked with openpyxl.
if(TARGET ozmira_export AND TARGET ozmira_xlsx_tool AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/xl_api_test.cpp)
  ozmira_test(xl_api_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/xl_api_test.cpp
              DEPS ozmira_export ozmira_xlsx_tool)
endif()
