if(TARGET ozmira_ini AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/ini_snapshot_test.cpp)
  ozmira_test(ini_snapshot_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ini_snapshot_test.cpp
              DEPS ozmira_ini ozmira_files ozmira_charset)
endif()
