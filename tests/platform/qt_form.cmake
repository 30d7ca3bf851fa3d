# The Qt window backend under a real X server (the suite runs under xvfb-run).
if(TARGET ozmira_qt)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  ozmira_test(qt_form_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/qt_form_fixture.cpp
            ${CMAKE_CURRENT_LIST_DIR}/qt_form_layout_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/qt_form_events_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/qt_form_threads_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/qt_form_grid_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/qt_form_views_test.cpp
    DEPS ozmira_qt Qt6::Test
    LABELS gui)
endif()
