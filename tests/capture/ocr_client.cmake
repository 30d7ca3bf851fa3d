if(TARGET ozmira_capture AND TARGET ozmira_test_support)
  ozmira_test(ocr_client_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ocr_client_test.cpp
              DEPS ozmira_capture ozmira_test_support)
  ozmira_test(recognition_workflow_test
              SOURCES ${CMAKE_CURRENT_LIST_DIR}/recognition_workflow_test.cpp
              DEPS ozmira_capture ozmira_test_support)
endif()
if(TARGET ozmira_capture AND TARGET ozmira_test_support)
  ozmira_test(capture_commands_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/capture_commands_test.cpp
              DEPS ozmira_capture ozmira_test_support)
endif()
