if(TARGET ozmira_layout)
  ozmira_test(tray_menu_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/tray_menu_test.cpp DEPS ozmira_layout)
endif()
