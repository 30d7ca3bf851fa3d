# Workbooks made and read by openpyxl, for the tests of the .xlsx engine and its binding.
add_library(ozmira_xlsx_tool STATIC ${CMAKE_CURRENT_LIST_DIR}/xlsx_tool.cpp)
target_include_directories(ozmira_xlsx_tool PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(ozmira_xlsx_tool PUBLIC nlohmann_json::nlohmann_json)
# The script is found by its place in the source tree, whatever environment the test runs in.
target_compile_definitions(ozmira_xlsx_tool PRIVATE OZMIRA_XLSX_TOOL="${CMAKE_CURRENT_LIST_DIR}/xlsx_tool.py")
