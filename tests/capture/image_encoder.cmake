# True when the target and every project library under it exist, so that it links.
function(image_encoder_test_links_resolve target result)
  set(${result} FALSE PARENT_SCOPE)
  if(NOT TARGET ${target})
    return()
  endif()
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(libs)
    foreach(lib ${libs})
      if(lib MATCHES "^ozmira_")
        image_encoder_test_links_resolve(${lib} ok)
        if(NOT ok)
          return()
        endif()
      endif()
    endforeach()
  endif()
  set(${result} TRUE PARENT_SCOPE)
endfunction()

if(TARGET ozmira_codec AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/image_encoder_test.cpp)
  image_encoder_test_links_resolve(ozmira_capture capture_links)
  if(capture_links)
    ozmira_test(image_encoder_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_encoder_test.cpp
                DEPS ozmira_capture)
  else()
    # While libraries under the capture library are still missing, the encoder is built
    # into its test directly.
    ozmira_test(image_encoder_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_encoder_test.cpp
                ${CMAKE_SOURCE_DIR}/capture/image_encoder.cpp DEPS ozmira_codec)
  endif()
endif()
