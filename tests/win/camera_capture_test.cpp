// The Media Foundation camera on a machine without one: enumeration is empty and a start on a
// device that cannot be opened ends failed with the opening step's text.
#include <windows.h>

#include <mfapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <thread>

#include "camera/mf_camera.h"

namespace vel {
namespace {

class MediaFoundation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  }
  static void TearDownTestSuite() {
    MFShutdown();
    CoUninitialize();
  }
};

TEST_F(MediaFoundation, EnumerationListsNoCameraHere) { EXPECT_TRUE(enumerateCameras().empty()); }

TEST_F(MediaFoundation, UnusableDeviceEndsFailedWithTheOpeningStep) {
  // Wine implements no camera source: MFCreateDeviceSource is a stub that aborts the process.
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) GTEST_SKIP() << "no device source under Wine";
  CameraCapture capture(captureWithMediaFoundation);
  capture.start({L"Camera", L"\\\\?\\usb#vid_0000&pid_0000#missing#{e5323777-f976-4f5b-9b55-b94699c46e44}"}, true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (capture.running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_FALSE(capture.running());
  const std::wstring failure = capture.lastError();
  EXPECT_TRUE(std::regex_match(failure, std::wregex(LR"(Open camera; check Windows camera permission and other camera apps \(0x[0-9a-f]{8}\))")))
      << std::string(failure.begin(), failure.end());
  EXPECT_EQ(capture.latestFrame(), nullptr);
  capture.stop();
  EXPECT_EQ(capture.lastError(), failure);  // kept until the next start
}

}  // namespace
}  // namespace vel
