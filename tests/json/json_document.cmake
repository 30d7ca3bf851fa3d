if(TARGET ozmira_json AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/json_document_test.cpp)
  ozmira_test(json_document_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/json_document_test.cpp DEPS ozmira_json)
endif()
