# Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts), where a
# Wayland desktop offers it in place of key grabs.
set_target_properties(ozmira_portal PROPERTIES AUTOMOC ON)
target_sources(ozmira_portal PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/portal_shortcuts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_triggers.cpp)
