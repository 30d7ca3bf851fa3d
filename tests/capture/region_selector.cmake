if(TARGET ozmira_capture AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/region_selector_test.cpp)
  ozmira_test(region_selector_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/region_selector_test.cpp
              DEPS ozmira_capture)
endif()
