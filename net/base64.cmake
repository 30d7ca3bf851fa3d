# EncodeUrlEncoded writes every byte of its result, and the result of a screenshot is
# megabytes: C++23's std::string::resize_and_overwrite spares zero-filling it first. Only
# this file is compiled as C++23 (it exchanges nothing but std::string with the others);
# with an older library it falls back on a zero-filled string.
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-std=c++2b OZMIRA_HAS_CXX2B_FLAG)
if(OZMIRA_HAS_CXX2B_FLAG)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/base64.cpp PROPERTIES
                              COMPILE_OPTIONS -std=c++2b)
endif()
