# Velmora.exe: the Windows program.
vel_program(Velmora WIN32 app/main_win.cpp)
