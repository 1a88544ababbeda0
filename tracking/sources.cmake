list(APPEND VEL_CORE_SOURCES
  tracking/ort_api.cpp
  tracking/model_runtime.cpp)
list(APPEND VEL_CORE_SOURCES
  tracking/image_sampler.cpp
  tracking/palm_detector.cpp
  tracking/hand_landmarks.cpp
  tracking/hand_tracker.cpp)
