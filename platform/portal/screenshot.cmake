# The screen of a Wayland session: captures through the desktop's screenshot portal.
find_package(Qt6 REQUIRED COMPONENTS Gui)
target_sources(ozmira_portal PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/portal_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/portal_screen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screenshot_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screenshot_request.cpp)
target_link_libraries(ozmira_portal PUBLIC Qt6::Gui)
set_target_properties(ozmira_portal PROPERTIES AUTOMOC ON)
