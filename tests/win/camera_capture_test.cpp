// The Media Foundation camera on a machine without one: enumeration is empty and a start on a
// device that cannot be opened ends failed with the opening step's text.
#include <windows.h>

#include <mfapi.h>

#include <gtest/gtest.h>

#include <chrono>
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

// Waits for the capture thread to give up; the deadline only guards against a hang.
bool endsWithin(const ICamera& camera, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (camera.running()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

bool isOpenFailure(const std::wstring& text) {
  const std::wstring step = L"Open camera; check Windows camera permission and other camera apps (0x";
  return text.size() == step.size() + 9 && text.compare(0, step.size(), step) == 0 && text.back() == L')' &&
         text.find_first_not_of(L"0123456789abcdef", step.size()) == text.size() - 1;
}

TEST_F(MediaFoundation, EnumerationListsNoCameraHere) { EXPECT_TRUE(enumerateCameras().empty()); }

// Wine implements no camera source: MFCreateDeviceSource is a stub that aborts the process.
bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST_F(MediaFoundation, UnusableDeviceEndsFailedWithTheOpeningStep) {
  if (underWine()) GTEST_SKIP() << "no device source under Wine";
  CameraCapture capture(captureWithMediaFoundation);
  capture.start({L"Camera", L"\\\\?\\usb#vid_0000&pid_0000#missing#{e5323777-f976-4f5b-9b55-b94699c46e44}"}, true);
  ASSERT_TRUE(endsWithin(capture, std::chrono::seconds(30)));
  EXPECT_TRUE(isOpenFailure(capture.lastError())) << std::string(capture.lastError().begin(), capture.lastError().end());
  EXPECT_EQ(capture.latestFrame(), nullptr);

  const std::wstring failure = capture.lastError();
  capture.stop();
  EXPECT_FALSE(capture.running());
  EXPECT_EQ(capture.lastError(), failure);  // kept until the next start

  capture.start({L"Camera", L""}, false);
  ASSERT_TRUE(endsWithin(capture, std::chrono::seconds(30)));
  EXPECT_FALSE(capture.lastError().empty());
}

TEST_F(MediaFoundation, StopRightAfterStartLeavesNoErrorText) {
  if (underWine()) GTEST_SKIP() << "no device source under Wine";
  CameraCapture capture(captureWithMediaFoundation);
  capture.start({L"Camera", L"\\\\?\\missing"}, true);
  capture.stop();
  EXPECT_FALSE(capture.running());
  EXPECT_EQ(capture.latestFrame(), nullptr);
  // Either the thread saw the stop before failing, or it had already failed and recorded the
  // opening step; a stop never adds text of its own.
  EXPECT_TRUE(capture.lastError().empty() || isOpenFailure(capture.lastError()));
}

}  // namespace
}  // namespace vel
