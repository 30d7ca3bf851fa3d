# What a server cannot make the libcurl transport do (label "wire"): the OCR client's token
# step and the update document are fetched from the local test server as in the program.
if(TARGET ozmira_net AND TARGET ozmira_curl AND TARGET ozmira_test_server
   AND TARGET ozmira_capture AND TARGET ozmira_test_support
   AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/http_guard_wire_test.cpp)
  ozmira_test(http_guard_wire_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/http_guard_wire_test.cpp
              DEPS ozmira_capture ozmira_net ozmira_json ozmira_curl ozmira_test_server
              ozmira_test_support LABELS wire)
endif()
