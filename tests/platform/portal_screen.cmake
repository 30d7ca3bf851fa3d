# The Wayland screen against a screenshot portal of the tests on a private bus.
if(TARGET ozmira_portal AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/portal_screen_test.cpp)
  ozmira_test(portal_screen_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/portal_screen_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/fake_screenshot_portal.cpp
    DEPS ozmira_portal Qt6::Gui Qt6::DBus)
  set_target_properties(portal_screen_test PROPERTIES AUTOMOC ON)
endif()
