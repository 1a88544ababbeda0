# Host tools beside the core library.

# The host tree decodes test images with Debian's libpng and libjpeg-turbo (camera/image_file_host.cpp).
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
target_link_libraries(velmora_core PUBLIC PNG::PNG JPEG::JPEG)

# velmora-track IMAGE...: the tracker over the frames of the given images, one report line each.
vel_program(velmora-track tools/track.cpp)
# velmora-bench: inference, step and preprocessing timings on the test photos.
vel_program(velmora-bench tools/bench.cpp)
set_target_properties(velmora-bench PROPERTIES EXCLUDE_FROM_ALL ON)
target_compile_definitions(velmora-bench PRIVATE VEL_TESTDATA="${VEL_TESTDATA}")
# velmora-replay SCENARIO: hand observations through one gesture engine, one line per frame.
vel_program(velmora-replay tools/replay.cpp)
add_dependencies(velmora_tests velmora-replay)
# velmora-worker-bench [SECONDS]: the tracking worker's CPU time and snapshot latency at 30 fps.
vel_program(velmora-worker-bench tools/worker_bench.cpp)
set_target_properties(velmora-worker-bench PROPERTIES EXCLUDE_FROM_ALL ON)
target_compile_definitions(velmora-worker-bench PRIVATE VEL_TESTDATA="${VEL_TESTDATA}")
