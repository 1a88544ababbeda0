// The two hand-tracking models and the runtime objects around them: loading, layout checks,
// one inference over a caller-owned input buffer, and reading the outputs in place.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tracking/hand_observation.h"
#include "tracking/ort_api.h"
#include "tracking/point.h"

namespace vel {

inline constexpr int kPalmInputSide = 192;
inline constexpr int kHandInputSide = 224;
inline constexpr int kAnchorCount = 2016;

// One model: its session, names in session order and the input buffer the crop code writes.
struct ModelSession {
  OrtSession* session = nullptr;
  int side = 0;
  std::string inputName;
  std::vector<std::string> outputNames;
  std::vector<const char*> outputNamePointers;  // into outputNames, as Run wants them
  std::vector<float> input;                      // side × side × 3, RGB 0..1, NHWC
  std::uint64_t runs = 0;                        // inferences so far, for tests and benchmarks
};

// The values one Run produced, released together. Holds at most four, as the layout check allows.
class OutputValues {
 public:
  static constexpr std::size_t kCapacity = 4;

  OutputValues() = default;
  OutputValues(const OutputValues&) = delete;
  OutputValues& operator=(const OutputValues&) = delete;
  OutputValues(OutputValues&& other) noexcept;  // Run returns them; nothing reassigns them
  ~OutputValues();

  std::size_t size() const { return count_; }
  OrtValue* operator[](std::size_t i) const { return values_[i]; }

 private:
  friend class ModelRuntime;

  std::array<OrtValue*, kCapacity> values_{};
  std::size_t count_ = 0;
};

// The detector's 2016 anchors in input-normalised coordinates, as the runtime keeps them.
std::array<Point, kAnchorCount> buildAnchors();

struct PalmOutputs {
  const float* scores = nullptr;      // kAnchorCount raw scores
  const float* regressors = nullptr;  // kAnchorCount × 18
};

struct HandOutputs {
  const float* landmarks = nullptr;  // kLandmarkCount × 3: x, y, depth in input pixels
  float presence = 0.0f;
};

class ModelRuntime {
 public:
  // Loads palm.onnx and hand.onnx from `modelsDir`. Throws Ort::Exception for runtime failures
  // (a missing file among them) and std::runtime_error for a layout the tracker cannot use.
  explicit ModelRuntime(const std::filesystem::path& modelsDir);
  ModelRuntime(const ModelRuntime&) = delete;
  ModelRuntime& operator=(const ModelRuntime&) = delete;
  ~ModelRuntime();

  ModelSession& palm() { return palm_; }
  ModelSession& hand() { return hand_; }
  const ModelSession& palm() const { return palm_; }
  const ModelSession& hand() const { return hand_; }
  const std::array<Point, kAnchorCount>& anchors() const { return anchors_; }

  // One inference over the model's own input buffer, without copying it.
  OutputValues run(ModelSession& model);

  // Output selection after a run; throws std::runtime_error when the pinned outputs are absent.
  PalmOutputs palmOutputs(const OutputValues& values) const;
  HandOutputs handOutputs(const OutputValues& values) const;

  // "Palm input: …; hand input: …; hand outputs: …" for the diagnostics report.
  std::string description() const;

 private:
  void releaseHandles();
  void openSession(ModelSession& model, const std::filesystem::path& file, int side);

  const OrtApi& api_;
  OrtEnv* env_ = nullptr;
  OrtSessionOptions* options_ = nullptr;
  ModelSession palm_;
  ModelSession hand_;
  OrtMemoryInfo* memoryInfo_ = nullptr;
  std::array<Point, kAnchorCount> anchors_{};
  int landmarksOutput_ = -1;  // index of "Identity" among the hand outputs
  int presenceOutput_ = -1;   // index of "Identity_1"
};

}  // namespace vel
