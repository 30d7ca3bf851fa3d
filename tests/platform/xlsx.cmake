# The .xlsx engine, against workbooks written and read back by openpyxl.
if(TARGET ozmira_xlsx AND TARGET ozmira_xlsx_tool AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/xlsx_test.cpp)
  ozmira_test(xlsx_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsx_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsx_parts_test.cpp
              DEPS ozmira_xlsx ozmira_xlsx_tool)
endif()
