# Global hotkeys over xcb: grabs on the root window, a reader thread for the key presses.
pkg_check_modules(OZMIRA_HOTKEYS_XCB REQUIRED IMPORTED_TARGET xcb xcb-keysyms)
find_package(Threads REQUIRED)
add_library(ozmira_x11_hotkeys STATIC
  ${CMAKE_CURRENT_LIST_DIR}/hotkeys_x11.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hotkeys_grabber.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hotkeys_keysyms.cpp)
target_link_libraries(ozmira_x11_hotkeys PUBLIC PkgConfig::OZMIRA_HOTKEYS_XCB Threads::Threads)
