// Waits for what another thread brings about; the deadline only guards against a hang.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vel::test {

inline bool eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

}  // namespace vel::test
