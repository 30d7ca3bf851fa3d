# The accessibility-bus backend against a small Qt application of the tests, under the
# session bus and the accessibility bus that scripts/headless.sh starts.
if(TARGET ozmira_atspi AND TARGET ozmira_sync AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/atspi_test.cpp)
  add_executable(sync_target ${CMAKE_SOURCE_DIR}/tests/support/sync_target.cpp)
  target_link_libraries(sync_target PRIVATE Qt6::Widgets)
  ozmira_test(atspi_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/atspi_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/atspi_stress_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/target_process.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/child_process.cpp
    DEPS ozmira_atspi ozmira_sync Qt6::Widgets
    LABELS atspi)
  add_dependencies(atspi_test sync_target)
  target_compile_definitions(atspi_test PRIVATE SYNC_TARGET="$<TARGET_FILE:sync_target>"
                             SYNC_TARGET_GTK="${CMAKE_SOURCE_DIR}/tests/support/sync_target_gtk.py")
endif()
