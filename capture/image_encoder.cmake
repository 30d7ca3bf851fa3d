#The conversion goes through the image codec backend.
target_link_libraries(ozmira_capture PUBLIC ozmira_codec)
