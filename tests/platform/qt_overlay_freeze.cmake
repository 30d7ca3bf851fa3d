# The overlay freezing the screen before its snapshot, with and without a window manager, and
# going up over the live screen under a compositing manager (a private Xvfb per case).
if(TARGET ozmira_qt_overlay AND TARGET ozmira_x11_screen)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  ozmira_test(qt_overlay_freeze_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_overlay_freeze_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_private_server.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_atoms.cpp
    DEPS ozmira_qt_overlay ozmira_qt ozmira_x11_screen Qt6::Test xcb
    LABELS x11)
endif()
