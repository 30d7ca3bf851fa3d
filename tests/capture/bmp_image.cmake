if(TARGET ozmira_capture AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/bmp_image_test.cpp)
  ozmira_test(bmp_image_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/bmp_image_test.cpp
              DEPS ozmira_capture)
endif()
