if(TARGET ozmira_tesseract)
  ozmira_test(tesseract_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/tesseract_test.cpp DEPS ozmira_tesseract)
endif()
