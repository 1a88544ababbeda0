# Velmora.exe: the Windows program (wWinMain, hence -municode).
vel_program(Velmora WIN32 app/main_win.cpp)
target_link_options(Velmora PRIVATE -municode)
