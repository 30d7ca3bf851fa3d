if(TARGET ozmira_capture)
  ozmira_test(offline_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/offline_test.cpp DEPS ozmira_capture)
endif()
