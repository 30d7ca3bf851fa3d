# The X11 hotkeys backend on a private Xvfb server of its own, keys pressed with xdotool.
if(TARGET ozmira_x11_hotkeys AND TARGET ozmira_hotkeys AND TARGET ozmira_test_support)
  ozmira_test(x11_hotkeys_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/x11_hotkeys_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_hotkeys_lifecycle_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_hotkeys_fixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_private_server.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_grab_client.cpp
    DEPS ozmira_x11_hotkeys ozmira_hotkeys ozmira_test_support
    LABELS x11)
endif()
