# `ozmira --command N`: the running program's name and method on the session bus, and the
# sender that a second start uses (no display needed).
set_target_properties(ozmira_portal PROPERTIES AUTOMOC ON)
target_sources(ozmira_portal PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/command_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_sender.cpp)
