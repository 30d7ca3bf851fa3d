# The translate command on the fake window and scripted transports, including its worker
# threads, and over libcurl against the local test server (label "wire").
if(TARGET ozmira_translate AND TARGET ozmira_test_support)
  ozmira_test(translator_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/translator_test.cpp
              ${CMAKE_CURRENT_LIST_DIR}/translator_thread_test.cpp
              DEPS ozmira_translate ozmira_test_support)
endif()
if(TARGET ozmira_translate AND TARGET ozmira_test_support AND TARGET ozmira_curl
   AND TARGET ozmira_test_server AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/translator_wire_test.cpp)
  ozmira_test(translator_wire_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/translator_wire_test.cpp
              DEPS ozmira_translate ozmira_test_support ozmira_curl ozmira_test_server LABELS wire)
endif()
