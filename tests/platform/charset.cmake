if(TARGET ozmira_charset AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/charset_test.cpp)
  ozmira_test(charset_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/charset_test.cpp DEPS ozmira_charset)
endif()
