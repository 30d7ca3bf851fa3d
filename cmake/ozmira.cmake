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

# ozmira_logic_folder(NAME DEPS...): every .cpp of the calling folder is the library; extra
# dependencies of a file group go into a *.cmake fragment beside it.
macro(ozmira_logic_folder name)
  file(GLOB SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(SOURCES)
    ozmira_logic_library(${name} SOURCES ${SOURCES} DEPS ${ARGN})
    file(GLOB FRAGMENTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
    foreach(f ${FRAGMENTS})
      include(${f})
    endforeach()
  endif()
endmacro()

# ozmira_test(NAME SOURCES... [DEPS ...] [LABELS ...])
function(ozmira_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  # A property value that is a list does not survive gtest_discover_tests, so each test
  # gets one label and one environment variable; the build folder is compiled in.
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  list(GET ARG_LABELS 0 label)
  target_compile_definitions(${name} PRIVATE OZMIRA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             OZMIRA_BINARY_DIR="${CMAKE_BINARY_DIR}")
  # Tests on the shared X server and accessibility bus share the input focus, the pointer,
  # the clipboard and the program's accessible name, so they run one at a time.
  set(lock "")
  if(label STREQUAL "gui" OR label STREQUAL "program" OR label STREQUAL "atspi")
    set(lock RESOURCE_LOCK x11_display)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS ${label} ${lock} ENVIRONMENT "OZMIRA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
