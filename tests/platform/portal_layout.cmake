# The outputs of a Wayland desktop in the portal's picture and in screen coordinates.
if(TARGET ozmira_portal)
  ozmira_test(portal_layout_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/portal_layout_test.cpp
    DEPS ozmira_portal Qt6::Gui)
endif()
