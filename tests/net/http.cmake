# The HTTP client's rules on a fake transport, and the real exchange over libcurl against
# the local test server (label "wire").
if(TARGET ozmira_net AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/http_client_test.cpp)
  ozmira_test(http_client_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_client_test.cpp
              ${CMAKE_CURRENT_LIST_DIR}/http_text_test.cpp DEPS ozmira_net ozmira_text)
endif()
if(TARGET ozmira_net AND TARGET ozmira_curl AND TARGET ozmira_test_server
   AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/http_wire_test.cpp)
  ozmira_test(http_wire_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_wire_test.cpp
              DEPS ozmira_net ozmira_text ozmira_curl ozmira_test_server LABELS wire)
endif()
