# The main window getting out of the way of a capture, without a window manager and with
# openbox (a private Xvfb of its own).
if(TARGET ozmira_qt AND TARGET ozmira_x11_screen)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  ozmira_test(qt_form_hide_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_form_hide_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_private_server.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_atoms.cpp
    DEPS ozmira_qt ozmira_x11_screen Qt6::Test xcb
    LABELS x11)
endif()
