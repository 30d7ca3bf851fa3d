if(TARGET ozmira_net AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/encodings_test.cpp)
  ozmira_test(encodings_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/encodings_test.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/base64_paths_test.cpp
              DEPS ozmira_net ozmira_text ozmira_charset)
endif()
