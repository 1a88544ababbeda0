list(APPEND VEL_CORE_SOURCES
  tracking/ort_api.cpp
  tracking/model_runtime.cpp)
