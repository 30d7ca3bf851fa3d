# ozmira_logic_library(NAME SOURCES... [DEPS ...])
# A logic library may include only the standard library, nlohmann/json, the
# project's own logic headers and platform/*.h; its sources are checked by the
# dependency-rule test (tests/dependency_rule.cmake).
function(ozmira_logic_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY OZMIRA_LOGIC_DIRS ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

# ozmira_test(NAME SOURCES... [DEPS ...] [LABELS ...])
function(ozmira_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "OZMIRA_SOURCE_DIR=${CMAKE_SOURCE_DIR};OZMIRA_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
