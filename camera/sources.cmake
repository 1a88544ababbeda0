# Sources of camera/ are added here as they appear.
list(APPEND VEL_HOST_SOURCES camera/image_file_host.cpp)
list(APPEND VEL_WIN_SOURCES camera/hresult.cpp camera/wic_image.cpp)
list(APPEND VEL_WIN_LIBS ole32 windowscodecs)
