if(TARGET ozmira_text AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/text_tools_test.cpp)
  ozmira_test(text_tools_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_tools_test.cpp DEPS ozmira_text)
endif()
