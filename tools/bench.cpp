// velmora-bench [PHOTO_DIR]: timings of the tracking pipeline on the test photos, for the full
// and the lite landmark model, plus the heap allocations our own code makes per tracking step.
// Figures only: whether a target is met is printed, never asserted.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/exe_dir.h"
#include "camera/image_file.h"
#include "tests/support/reference_hands.h"
#include "tracking/hand_tracker.h"

// Every heap allocation of this program goes through here. While the measuring thread counts, each
// one is charged to the code that asked for it: ours (this program with the core library linked
// in) or the ONNX Runtime library. Requests that come through the C++ runtime library (std::string
// and the like) are traced up the stack to the first frame in either.
namespace {

enum Origin { kOurs, kRuntime, kUnattributed, kOrigins };

thread_local bool countAllocations = false;
thread_local std::array<std::uint64_t, kOrigins> allocations{};
const void* ourModule = nullptr;
const void* runtimeModule = nullptr;

const void* moduleOf(const void* address) {
  Dl_info info;
  return address && dladdr(address, &info) ? info.dli_fbase : nullptr;
}

struct StackWalk {
  bool pastAllocator = false;  // the first frames are this file's own operator new
  int frames = 0;
  Origin origin = kUnattributed;
};

_Unwind_Reason_Code visitFrame(_Unwind_Context* context, void* argument) {
  auto& walk = *static_cast<StackWalk*>(argument);
  const void* module = moduleOf(reinterpret_cast<const void*>(_Unwind_GetIP(context)));
  walk.pastAllocator = walk.pastAllocator || module != ourModule;
  if (!walk.pastAllocator) return _URC_NO_REASON;
  if (module == ourModule || module == runtimeModule) {
    walk.origin = module == ourModule ? kOurs : kRuntime;
    return _URC_END_OF_STACK;
  }
  return ++walk.frames < 16 ? _URC_NO_REASON : _URC_END_OF_STACK;
}

Origin originOf(const void* caller) {
  const void* module = moduleOf(caller);
  if (module == ourModule) return kOurs;
  if (module == runtimeModule) return kRuntime;
  StackWalk walk;
  _Unwind_Backtrace(visitFrame, &walk);
  return walk.origin;
}

void* allocate(std::size_t size, std::size_t alignment, const void* caller) {
  if (countAllocations) {
    countAllocations = false;  // the stack walk must not count itself
    ++allocations[originOf(caller)];
    countAllocations = true;
  }
  size = std::max<std::size_t>(size, 1);
  void* memory = alignment <= alignof(std::max_align_t)
                     ? std::malloc(size)
                     : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
  if (!memory) throw std::bad_alloc();
  return memory;
}

}  // namespace

// Not inlined, so that the return address is that of the code asking for memory.
[[gnu::noinline]] void* operator new(std::size_t size) {
  return allocate(size, alignof(std::max_align_t), __builtin_return_address(0));
}
[[gnu::noinline]] void* operator new[](std::size_t size) {
  return allocate(size, alignof(std::max_align_t), __builtin_return_address(0));
}
[[gnu::noinline]] void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment), __builtin_return_address(0));
}
[[gnu::noinline]] void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment), __builtin_return_address(0));
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

namespace {

constexpr int kWarmUps = 3;
constexpr int kMeasured = 50;

struct Photo {
  std::string name;
  vel::Frame frame;
};

class Samples {
 public:
  void add(double ms) { values_.push_back(ms); }
  double mean() const {
    double sum = 0.0;
    for (double v : values_) sum += v;
    return values_.empty() ? 0.0 : sum / static_cast<double>(values_.size());
  }
  double p95() const {
    if (values_.empty()) return 0.0;
    std::vector<double> sorted = values_;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<std::size_t>(0.95 * static_cast<double>(sorted.size()) + 0.999999);
    return sorted[std::min(sorted.size(), std::max<std::size_t>(rank, 1)) - 1];
  }

 private:
  std::vector<double> values_;
};

template <class Work>
double milliseconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Allocations made on this thread by `work`, by origin.
template <class Work>
std::array<std::uint64_t, kOrigins> allocationsOf(Work&& work) {
  const auto before = allocations;
  countAllocations = true;
  work();
  countAllocations = false;
  std::array<std::uint64_t, kOrigins> made{};
  for (int i = 0; i < kOrigins; ++i) made[i] = allocations[i] - before[i];
  return made;
}

struct Figures {
  Samples palm, hand, searching, tracking, letterbox, crop, preprocessing;
  // Per tracking step, by origin: the largest count seen in any measured step.
  std::array<std::uint64_t, kOrigins> stepAllocations{};
  int trackingLost = 0;
  std::vector<std::string> noHand;
};

Figures measure(vel::HandTracker& tracker, const std::vector<Photo>& photos) {
  Figures figures;
  vel::ModelRuntime& runtime = tracker.runtime();
  for (const Photo& photo : photos) {
    tracker.forgetHand();
    if (!tracker.step(photo.frame).present) {
      figures.noHand.push_back(photo.name);
      continue;
    }
    const vel::HandRegion region = tracker.region();
    // Preprocessing alone, back to back; inside a step the frame is often out of the cache after
    // the previous inference, which the step timings include.
    for (int rep = 0; rep < kWarmUps + kMeasured; ++rep) {
      const double letterbox = milliseconds([&] {
        vel::resample(photo.frame, vel::letterboxGrid(vel::letterboxFor(photo.frame)), vel::kPalmInputSide,
                      runtime.palm().input.data());
      });
      const double crop = milliseconds(
          [&] { vel::resample(photo.frame, vel::cropGrid(region), vel::kHandInputSide, runtime.hand().input.data()); });
      if (rep < kWarmUps) continue;
      figures.letterbox.add(letterbox);
      figures.crop.add(crop);
      figures.preprocessing.add(letterbox + crop);
    }
    for (int rep = 0; rep < kWarmUps + kMeasured; ++rep) {
      const bool measured = rep >= kWarmUps;
      const double palm = milliseconds([&] { runtime.palmOutputs(runtime.run(runtime.palm())); });
      const double hand = milliseconds([&] { runtime.handOutputs(runtime.run(runtime.hand())); });

      tracker.forgetHand();
      const double searching = milliseconds([&] { tracker.step(photo.frame); });
      if (!tracker.tracking()) {
        ++figures.trackingLost;
        continue;
      }
      double tracking = 0.0;
      const auto stepCount = allocationsOf([&] { tracking = milliseconds([&] { tracker.step(photo.frame); }); });
      if (!measured) continue;
      figures.palm.add(palm);
      figures.hand.add(hand);
      figures.searching.add(searching);
      figures.tracking.add(tracking);
      for (int i = 0; i < kOrigins; ++i)
        figures.stepAllocations[i] = std::max(figures.stepAllocations[i], stepCount[i]);
    }
  }
  return figures;
}

void printFigure(const char* label, const Samples& samples) {
  std::printf("  %-28s mean %8.3f ms   p95 %8.3f ms\n", label, samples.mean(), samples.p95());
}

void printHandsError(vel::HandTracker& tracker, const std::vector<Photo>& photos,
                     const std::vector<vel::test::Landmarks>& references) {
  const auto hands = std::find_if(photos.begin(), photos.end(), [](const Photo& p) { return p.name == "hands.jpg"; });
  if (hands == photos.end()) return;
  tracker.forgetHand();
  for (const char* which : {"first step (detector)", "second step (tracked)"}) {
    const vel::HandObservation observation = tracker.step(hands->frame);
    if (!observation.present) {
      std::printf("  hands.jpg %s: no hand\n", which);
      continue;
    }
    const auto error = vel::test::errorToNearest(observation.landmarks, references);
    std::printf("  hands.jpg %s: mean error %.2f px, worst %.2f px (landmark %d), presence %.4f\n", which, error.mean,
                error.max, error.worst, static_cast<double>(observation.presence));
  }
}

void report(const char* title, vel::HandTracker& tracker, const std::vector<Photo>& photos,
            const std::vector<vel::test::Landmarks>& references) {
  const Figures f = measure(tracker, photos);
  std::printf("%s\n", title);
  printFigure("(a) palm inference", f.palm);
  printFigure("(b) landmark inference", f.hand);
  printFigure("(c) searching step", f.searching);
  printFigure("(d) tracking step", f.tracking);
  printFigure("(e) letterbox 192", f.letterbox);
  printFigure("    crop 224", f.crop);
  printFigure("    letterbox + crop", f.preprocessing);
  const double searchRatio = f.searching.mean() / (f.palm.mean() + f.hand.mean());
  const double trackRatio = f.tracking.mean() / f.hand.mean();
  std::printf("  (c) / (a + b) = %.3f (target <= 1.15: %s)\n", searchRatio, searchRatio <= 1.15 ? "met" : "NOT met");
  std::printf("  (d) / (b)     = %.3f (target <= 1.15: %s)\n", trackRatio, trackRatio <= 1.15 ? "met" : "NOT met");
  std::printf(
      "  preprocessing (target <= 0.3 ms): tracking step (crop) %.3f ms: %s; searching step (letterbox + "
      "crop) %.3f ms: %s\n",
      f.crop.mean(), f.crop.mean() <= 0.3 ? "met" : "NOT met", f.preprocessing.mean(),
      f.preprocessing.mean() <= 0.3 ? "met" : "NOT met");
  std::printf(
      "  heap allocations per tracking step (most in one step): ours %llu, ONNX Runtime's own %llu, "
      "unattributed %llu\n",
      static_cast<unsigned long long>(f.stepAllocations[kOurs]),
      static_cast<unsigned long long>(f.stepAllocations[kRuntime]),
      static_cast<unsigned long long>(f.stepAllocations[kUnattributed]));
  if (f.trackingLost > 0) std::printf("  tracking lost after a search %d times (not timed)\n", f.trackingLost);
  for (const auto& name : f.noHand) std::printf("  no hand on %s (not timed)\n", name.c_str());
  printHandsError(tracker, photos, references);
}

// A models folder whose hand.onnx is the lite landmark model, for a second tracker.
std::filesystem::path liteModelsDir(const std::filesystem::path& models) {
  char pattern[] = "/tmp/velmora-bench-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("cannot create a temporary folder");
  const std::filesystem::path dir = pattern;
  std::filesystem::create_symlink(std::filesystem::absolute(models / "palm.onnx"), dir / "palm.onnx");
  std::filesystem::create_symlink(std::filesystem::absolute(models / "hand_lite.onnx"), dir / "hand.onnx");
  return dir;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path data = argc > 1 ? argv[1] : VEL_TESTDATA;
  const std::filesystem::path models = vel::exeDir() / "models";
  std::filesystem::path lite;
  try {
    ourModule = moduleOf(&ourModule);
    runtimeModule = moduleOf(reinterpret_cast<const void*>(vel::ortApi().Run));
    std::vector<Photo> photos;
    std::vector<std::filesystem::path> files{data / "hands.jpg"};
    for (const auto& entry : std::filesystem::directory_iterator(data / "poses")) files.push_back(entry.path());
    std::sort(files.begin() + 1, files.end());
    for (const auto& file : files) photos.push_back({file.filename().string(), vel::decodeImageFile(file).front()});
    const auto references = vel::test::loadReferenceHands(data / "hands.keypoints.json");

    std::printf(
        "velmora-bench: %zu photos, %d measured repetitions each after %d warm-ups; "
        "2 intra-op threads, 1 inter-op thread, spinning off; resampler on its %s path\n",
        photos.size(), kMeasured, kWarmUps, vel::resamplerUsesAvx2() ? "AVX2" : "SSE2");
    {
      vel::HandTracker full(models);
      report("hand.onnx (full landmark model)", full, photos, references);
    }
    lite = liteModelsDir(models);
    vel::HandTracker liteTracker(lite);
    report("hand_lite.onnx (lite landmark model)", liteTracker, photos, references);
    std::filesystem::remove_all(lite);
    return 0;
  } catch (const std::exception& error) {
    if (!lite.empty()) std::filesystem::remove_all(lite);
    std::printf("ERROR: %s\n", error.what());
    return 1;
  }
}
