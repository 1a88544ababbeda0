# Sources of control/ are added here as they appear.
list(APPEND VEL_CORE_SOURCES
  control/poses.cpp
  control/actions.cpp
  control/pointer.cpp
  control/reach_adjustment.cpp)
