# Whether a window can be shown at all, checked before Qt starts.
target_sources(ozmira_x11_screen PRIVATE ${CMAKE_CURRENT_LIST_DIR}/session_check.cpp)
