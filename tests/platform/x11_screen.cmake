# The X11 screen: its pixel formats on their own, then captures from a real server (the
# suite runs under xvfb-run; without $DISPLAY those tests skip).
if(TARGET ozmira_x11_screen)
  ozmira_test(pixel_converter_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pixel_converter_test.cpp
              DEPS ozmira_x11_screen)
  ozmira_test(x11_screen_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/x11_screen_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/x11_pattern_window.cpp
    DEPS ozmira_x11_screen
    LABELS gui)
endif()
