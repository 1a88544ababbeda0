# Host: every portable test. Windows: the portable tests that prove the Windows runtime path,
# plus the Windows-only tests; both run under GoogleTest.
set(VEL_SHARED_TESTS tests/host/model_runtime_test.cpp)
file(GLOB VEL_HOST_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*_test.cpp)
file(GLOB VEL_WIN_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)

if(WIN32)
  set(vel_tests velmora_win_tests)
  vel_program(${vel_tests} ${VEL_SHARED_TESTS} ${VEL_WIN_TESTS})
  # Wine reaches the Linux file system through drive Z:.
  target_compile_definitions(${vel_tests} PRIVATE VEL_TESTDATA=L"Z:${VEL_TESTDATA}")
else()
  set(vel_tests velmora_tests)
  vel_program(${vel_tests} ${VEL_HOST_TESTS})
  target_compile_definitions(${vel_tests} PRIVATE VEL_TESTDATA="${VEL_TESTDATA}")
endif()
target_link_libraries(${vel_tests} PRIVATE GTest::gtest_main)
