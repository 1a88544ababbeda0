# Windows programs (wWinMain or wmain; MinGW needs -municode to pick them).
# Velmora.exe: the program itself.
vel_program(Velmora WIN32 app/main_win.cpp)
if(MINGW)
  target_link_options(Velmora PRIVATE -municode)
endif()
# velmora-program-bench [SECONDS] [--soak]: the whole program under hand control with a replaying
# camera: start-up times, UI tick and paint times, memory, handles.
vel_program(velmora-program-bench tools/program_bench_win.cpp)
set_target_properties(velmora-program-bench PROPERTIES EXCLUDE_FROM_ALL ON)
target_link_libraries(velmora-program-bench PRIVATE GTest::gtest psapi)
target_compile_definitions(velmora-program-bench PRIVATE VEL_TESTDATA=L"Z:${VEL_TESTDATA}")
if(MINGW)
  target_link_options(velmora-program-bench PRIVATE -municode)
endif()
# velmora-screenshots.exe [DIR]: PNGs of the main window and the overlays under Wine (make screenshots).
vel_program(velmora-screenshots tools/screenshots_win.cpp)
set_target_properties(velmora-screenshots PROPERTIES EXCLUDE_FROM_ALL ON)
target_link_libraries(velmora-screenshots PRIVATE GTest::gtest)
target_compile_definitions(velmora-screenshots PRIVATE VEL_TESTDATA=L"Z:${VEL_TESTDATA}")
if(MINGW)
  target_link_options(velmora-screenshots PRIVATE -municode)
endif()
