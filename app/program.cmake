# Windows programs (wWinMain or wmain; MinGW needs -municode to pick them).
# Velmora.exe: the program itself.
vel_program(Velmora WIN32 app/main_win.cpp)
if(MINGW)
  target_link_options(Velmora PRIVATE -municode)
endif()
# velmora-screenshots.exe [DIR]: PNGs of the feedback overlays under Wine (make screenshots).
vel_program(velmora-screenshots tools/screenshots_win.cpp)
if(MINGW)
  target_link_options(velmora-screenshots PRIVATE -municode)
endif()
