if(TARGET ozmira_files AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/files_test.cpp)
  ozmira_test(files_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/files_test.cpp DEPS ozmira_files)
  # Where the test program itself lands, to check the executable's folder against.
  target_compile_definitions(files_test PRIVATE
                             OZMIRA_FILES_TEST_FOLDER="$<TARGET_FILE_DIR:files_test>")
endif()
