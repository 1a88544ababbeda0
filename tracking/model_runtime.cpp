// Loading and running the palm and hand models through the ONNX Runtime C API.
#include "tracking/model_runtime.h"

#include <stdexcept>
#include <utility>

namespace vel {
namespace {

std::size_t elementCount(const OrtApi& api, const OrtValue* value) {
  OrtTensorTypeAndShapeInfo* info = nullptr;
  ortCheck(api.GetTensorTypeAndShape(value, &info));
  std::size_t count = 0;
  OrtStatus* status = api.GetTensorShapeElementCount(info, &count);
  api.ReleaseTensorTypeAndShapeInfo(info);
  ortCheck(status);
  return count;
}

float* tensorData(const OrtApi& api, OrtValue* value) {
  void* data = nullptr;
  ortCheck(api.GetTensorMutableData(value, &data));
  return static_cast<float*>(data);
}

}  // namespace

// Two grids over the 192 × 192 detector input: 24 × 24 cells with 2 anchors each,
// then 12 × 12 cells with 6 each. Anchors have no size; offsets decode against a unit anchor.
std::array<Point, kAnchorCount> buildAnchors() {
  std::array<Point, kAnchorCount> anchors{};
  std::size_t next = 0;
  for (const auto& [cells, perCell] : {std::pair{24, 2}, std::pair{12, 6}}) {
    for (int row = 0; row < cells; ++row) {
      for (int column = 0; column < cells; ++column) {
        const Point centre{(static_cast<float>(column) + 0.5f) / static_cast<float>(cells),
                           (static_cast<float>(row) + 0.5f) / static_cast<float>(cells)};
        for (int k = 0; k < perCell; ++k) anchors[next++] = centre;
      }
    }
  }
  return anchors;
}

OutputValues::OutputValues(OutputValues&& other) noexcept
    : values_(std::exchange(other.values_, {})), count_(std::exchange(other.count_, 0)) {}

OutputValues::~OutputValues() {
  for (std::size_t i = 0; i < count_; ++i) {
    if (values_[i]) ortApi().ReleaseValue(values_[i]);
  }
}

ModelRuntime::ModelRuntime(const std::filesystem::path& modelsDir) : api_(ortApi()) {
  try {
    ortCheck(api_.CreateEnv(ORT_LOGGING_LEVEL_WARNING, "Velmora", &env_));
    ortCheck(api_.SetLanguageProjection(env_, ORT_PROJECTION_CPLUSPLUS));
    ortCheck(api_.CreateSessionOptions(&options_));
    ortCheck(api_.CreateCpuMemoryInfo(OrtArenaAllocator, OrtMemTypeDefault, &memoryInfo_));
    ortCheck(api_.DisableTelemetryEvents(env_));
    ortCheck(api_.SetIntraOpNumThreads(options_, 2));
    ortCheck(api_.SetInterOpNumThreads(options_, 1));
    ortCheck(api_.SetSessionGraphOptimizationLevel(options_, ORT_ENABLE_ALL));
    // Spinning threads would keep two cores busy between frames on a laptop running all day.
    ortCheck(api_.AddSessionConfigEntry(options_, "session.intra_op.allow_spinning", "0"));
    ortCheck(api_.AddSessionConfigEntry(options_, "session.inter_op.allow_spinning", "0"));
    openSession(palm_, modelsDir / "palm.onnx", kPalmInputSide);
    openSession(hand_, modelsDir / "hand.onnx", kHandInputSide);
    if (palm_.outputNames.size() != 2 || hand_.outputNames.size() != 4) {
      throw std::runtime_error("Unexpected model output layout");
    }
    for (std::size_t i = 0; i < hand_.outputNames.size(); ++i) {
      if (hand_.outputNames[i] == "Identity") landmarksOutput_ = static_cast<int>(i);
      if (hand_.outputNames[i] == "Identity_1") presenceOutput_ = static_cast<int>(i);
    }
    palm_.input.assign(static_cast<std::size_t>(kPalmInputSide * kPalmInputSide * 3), 0.0f);
    hand_.input.assign(static_cast<std::size_t>(kHandInputSide * kHandInputSide * 3), 0.0f);
    anchors_ = buildAnchors();
  } catch (...) {
    releaseHandles();
    throw;
  }
}

ModelRuntime::~ModelRuntime() { releaseHandles(); }

void ModelRuntime::releaseHandles() {
  if (hand_.session) api_.ReleaseSession(std::exchange(hand_.session, nullptr));
  if (palm_.session) api_.ReleaseSession(std::exchange(palm_.session, nullptr));
  if (memoryInfo_) api_.ReleaseMemoryInfo(std::exchange(memoryInfo_, nullptr));
  if (options_) api_.ReleaseSessionOptions(std::exchange(options_, nullptr));
  if (env_) api_.ReleaseEnv(std::exchange(env_, nullptr));
}

void ModelRuntime::openSession(ModelSession& model, const std::filesystem::path& file, int side) {
  ortCheck(api_.CreateSession(env_, file.c_str(), options_, &model.session));
  model.side = side;
  OrtAllocator* allocator = nullptr;
  ortCheck(api_.GetAllocatorWithDefaultOptions(&allocator));
  const auto takeName = [&](char* name) {
    std::string copy = name;
    ortCheck(api_.AllocatorFree(allocator, name));
    return copy;
  };
  char* name = nullptr;
  ortCheck(api_.SessionGetInputName(model.session, 0, allocator, &name));
  model.inputName = takeName(name);
  std::size_t outputs = 0;
  ortCheck(api_.SessionGetOutputCount(model.session, &outputs));
  for (std::size_t i = 0; i < outputs; ++i) {
    ortCheck(api_.SessionGetOutputName(model.session, i, allocator, &name));
    model.outputNames.push_back(takeName(name));
  }
  for (const auto& outputName : model.outputNames) model.outputNamePointers.push_back(outputName.c_str());
}

OutputValues ModelRuntime::run(ModelSession& model) {
  const std::array<int64_t, 4> shape{1, model.side, model.side, 3};
  OrtValue* input = nullptr;
  ortCheck(api_.CreateTensorWithDataAsOrtValue(memoryInfo_, model.input.data(), model.input.size() * sizeof(float),
                                               shape.data(), shape.size(), ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT,
                                               &input));
  OutputValues outputs;
  const char* inputName = model.inputName.c_str();
  OrtStatus* status = api_.Run(model.session, nullptr, &inputName, &input, 1, model.outputNamePointers.data(),
                               model.outputNamePointers.size(), outputs.values_.data());
  api_.ReleaseValue(input);
  if (!status) outputs.count_ = model.outputNamePointers.size();
  ortCheck(status);
  ++model.runs;
  return outputs;
}

PalmOutputs ModelRuntime::palmOutputs(const OutputValues& values) const {
  PalmOutputs outputs;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::size_t count = elementCount(api_, values[i]);
    if (count == kAnchorCount) outputs.scores = tensorData(api_, values[i]);
    if (count == kAnchorCount * 18) outputs.regressors = tensorData(api_, values[i]);
  }
  if (!outputs.scores || !outputs.regressors) throw std::runtime_error("Palm tensor shape mismatch");
  return outputs;
}

HandOutputs ModelRuntime::handOutputs(const OutputValues& values) const {
  const auto valid = [&](int index) { return index >= 0 && static_cast<std::size_t>(index) < values.size(); };
  if (!valid(landmarksOutput_)) throw std::runtime_error("Hand tensor names do not match the pinned model");
  HandOutputs outputs;
  outputs.landmarks = tensorData(api_, values[static_cast<std::size_t>(landmarksOutput_)]);
  if (valid(presenceOutput_)) outputs.presence = tensorData(api_, values[static_cast<std::size_t>(presenceOutput_)])[0];
  return outputs;
}

std::string ModelRuntime::description() const {
  std::string text = "Palm input: " + palm_.inputName + "; hand input: " + hand_.inputName + "; hand outputs:";
  for (const auto& name : hand_.outputNames) text += " " + name;
  return text;
}

}  // namespace vel
