# The native token routine against the same routine run by node (package nodejs): a
# missing node fails these tests.
if(TARGET ozmira_translate AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/google_token_test.cpp)
  ozmira_test(google_token_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/google_token_test.cpp
              DEPS ozmira_translate nlohmann_json::nlohmann_json)
endif()
