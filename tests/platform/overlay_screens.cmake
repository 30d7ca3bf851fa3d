# Which screen shows which monitor; no display needed.
if(TARGET ozmira_qt_overlay)
  ozmira_test(overlay_screens_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/overlay_screens_test.cpp
              DEPS ozmira_qt_overlay)
endif()
