if(TARGET ozmira_capture AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/image_encoder_test.cpp)
  ozmira_test(image_encoder_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_encoder_test.cpp
              DEPS ozmira_capture)
endif()
