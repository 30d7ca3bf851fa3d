# The scriptable HTTP/HTTPS server of the wire tests, run as a child process.
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/test_server.cpp AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/test_certificates.cpp)
  find_program(OZMIRA_PYTHON3 python3 REQUIRED)
  find_program(OZMIRA_OPENSSL openssl REQUIRED)
  add_library(ozmira_test_server STATIC ${CMAKE_CURRENT_LIST_DIR}/test_server.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/test_certificates.cpp)
  target_include_directories(ozmira_test_server PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(ozmira_test_server PUBLIC nlohmann_json::nlohmann_json)
  target_compile_definitions(ozmira_test_server PRIVATE
    OZMIRA_TEST_SERVER_SCRIPT="${CMAKE_CURRENT_LIST_DIR}/ocr_test_server.py"
    OZMIRA_PYTHON3="${OZMIRA_PYTHON3}"
    OZMIRA_OPENSSL="${OZMIRA_OPENSSL}")
endif()
