# The region selector keeps the user's input to its own windows (Qt's offscreen platform).
if(TARGET ozmira_qt_overlay)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  ozmira_test(overlay_input_guard_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/overlay_input_guard_test.cpp
    DEPS ozmira_qt_overlay Qt6::Test)
endif()
