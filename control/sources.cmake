# Sources of control/ are added here as they appear.
list(APPEND VEL_CORE_SOURCES
  control/poses.cpp
  control/actions.cpp
  control/pointer.cpp
  control/reach_adjustment.cpp)
list(APPEND VEL_CORE_SOURCES control/action_sink.cpp control/input_gate.cpp)
list(APPEND VEL_HOST_SOURCES control/tick_clock_posix.cpp)
list(APPEND VEL_WIN_SOURCES control/tick_clock_win.cpp control/windows_sink.cpp)
list(APPEND VEL_WIN_LIBS user32)
list(APPEND VEL_CORE_SOURCES control/gesture_engine.cpp control/hand_provider.cpp)
