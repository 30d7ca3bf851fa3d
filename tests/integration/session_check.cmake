# Started where no window can be shown, the program says so in one line and exits 1.
if(TARGET ozmira)
  add_test(NAME program_without_display
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/session_check_test.sh $<TARGET_FILE:ozmira>)
  set_tests_properties(program_without_display PROPERTIES LABELS program)
endif()
