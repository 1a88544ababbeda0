// The application state's threads: the gate poller and the tracking worker.
#include "ui/app_state.h"

#include <chrono>

namespace vel {
namespace {

// The watchdog must see a stalled drag within 251 ms plus one period.
constexpr std::chrono::milliseconds kPollerPeriod{40};

}  // namespace

AppState::AppState(std::unique_ptr<IActionSink> actionSink, std::unique_ptr<ICamera> capture,
                   InputGate::Clock gateClock)
    : sink(std::move(actionSink)), gate(*sink, std::move(gateClock)), camera(std::move(capture)) {}

AppState::~AppState() { stopThreads(); }

void AppState::startThreads(ProviderFactory makeProvider) {
  poller_ = std::thread([this] {
    while (!flags.stopRequested) {
      gate.service();
      std::this_thread::sleep_for(kPollerPeriod);
    }
  });
  worker_ = std::thread(runTrackingWorker, TrackingWorkerLinks{shared, flags, *camera, gate, practice,
                                                               std::move(makeProvider)});
}

void AppState::stopThreads() {
  flags.stopRequested = true;
  camera->stop();
  if (worker_.joinable()) worker_.join();
  if (poller_.joinable()) poller_.join();
}

}  // namespace vel
