list(APPEND VEL_CORE_SOURCES app/diagnostics.cpp)
list(APPEND VEL_HOST_SOURCES app/exe_dir_posix.cpp)
list(APPEND VEL_WIN_SOURCES app/exe_dir_win.cpp)
list(APPEND VEL_WIN_LIBS shell32)
