# Sources of ui/ are added here as they appear.
list(APPEND VEL_CORE_SOURCES ui/preview_geometry.cpp ui/practice.cpp)
