# XlApi binds the export to the .xlsx engine.
target_link_libraries(ozmira_export PUBLIC ozmira_xlsx)
