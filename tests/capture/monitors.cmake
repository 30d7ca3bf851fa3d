if(TARGET ozmira_capture)
  ozmira_test(monitors_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/monitors_test.cpp DEPS ozmira_capture)
endif()
