# Fails when a logic folder includes anything but the standard library (and the compiler's
# vector intrinsics), nlohmann/json, the project's logic headers and the top-level port headers
# platform/*.h.
# Run as: cmake -DSOURCE_DIR=... -P check_dependency_rule.cmake
cmake_minimum_required(VERSION 3.25)
set(logic text app capture hotkeys net json translate export sync)
set(folders "text/|app/|capture/|hotkeys/|net/|json/|translate/|export/|sync/")
# The bottom layers build on text/ alone: they never reach up into the shell or a subsystem.
set(bottom text net json)
set(violations "")
foreach(dir ${logic})
  file(GLOB files ${SOURCE_DIR}/${dir}/*.h ${SOURCE_DIR}/${dir}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" inc "${line}")
      string(REGEX REPLACE "[ \t]*//.*$" "" inc "${inc}")
      # <immintrin.h> is the compiler's own vector instructions, no library: the encoder's
      # vector loops use it behind a run-time check of the processor.
      if(inc MATCHES "^<[a-z_0-9]+>$" OR inc STREQUAL "<nlohmann/json.hpp>"
         OR inc STREQUAL "<immintrin.h>")
        continue()
      endif()
      if(dir IN_LIST bottom AND inc MATCHES "^\"(app|capture|hotkeys|translate|export|sync)/")
        list(APPEND violations "${f}: ${inc} (a bottom layer reaches up)")
        continue()
      endif()
      if(inc MATCHES "^\"(${folders})[a-z_0-9]+\\.h\"$" OR inc MATCHES "^\"platform/[a-z_0-9]+\\.h\"$")
        continue()
      endif()
      list(APPEND violations "${f}: ${inc}")
    endforeach()
  endforeach()
endforeach()
# The backends below the window layer (everything but platform/qt, which draws the shell's
# layout) know only the ports and text/.
file(GLOB_RECURSE backend_files ${SOURCE_DIR}/platform/*/*.h ${SOURCE_DIR}/platform/*/*.cpp)
foreach(f ${backend_files})
  if(f MATCHES "/platform/qt/")
    continue()
  endif()
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"(app|capture|hotkeys|translate|export|sync)/")
  foreach(line ${lines})
    list(APPEND violations "${f}: ${line} (a backend reaches up)")
  endforeach()
endforeach()
if(violations)
  list(JOIN violations "\n" text)
  message(FATAL_ERROR "Logic code includes what the dependency rule forbids:\n${text}")
endif()
message(STATUS "dependency rule holds")
