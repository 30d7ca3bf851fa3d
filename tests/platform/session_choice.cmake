# Which window system the program chooses at start, against the suite's X display.
if(TARGET ozmira_x11_screen)
  ozmira_test(session_choice_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/session_choice_test.cpp
              DEPS ozmira_x11_screen)
endif()
