# TargetSync on the fake windows and the fake main window.
if(TARGET ozmira_sync AND TARGET ozmira_test_support)
  ozmira_test(target_sync_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/target_sync_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/fake_windows.cpp
    DEPS ozmira_sync ozmira_test_support)
  target_compile_definitions(target_sync_test PRIVATE OZMIRA_README="${CMAKE_SOURCE_DIR}/README.md")
endif()
