# Velmora.exe: the Windows program (wWinMain; MinGW needs -municode to pick it).
vel_program(Velmora WIN32 app/main_win.cpp)
if(MINGW)
  target_link_options(Velmora PRIVATE -municode)
endif()
