// Loading the ONNX Runtime library: the one file that differs between Windows and the host.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "tracking/ort_api.h"

// Only for Ort::Exception, the runtime's own error type; the C++ wrappers are not used.
#define ORT_API_MANUAL_INIT
#include <onnxruntime_cxx_api.h>

#include <mutex>
#include <stdexcept>

#include "app/exe_dir.h"

namespace vel {
namespace {

using GetApiBase = const OrtApiBase*(ORT_API_CALL*)();

GetApiBase findApiBase(const std::filesystem::path& path) {
  const std::string shown = path.filename().string();
#ifdef _WIN32
  // The runtime's own dependencies resolve from its folder, not from the working directory.
  HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!library) {
    throw std::runtime_error("ONNX Runtime library " + shown + " could not be loaded (error " +
                             std::to_string(GetLastError()) + ")");
  }
  auto symbol = reinterpret_cast<void (*)()>(GetProcAddress(library, "OrtGetApiBase"));
#else
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) throw std::runtime_error("ONNX Runtime library " + shown + " could not be loaded: " + dlerror());
  auto symbol = reinterpret_cast<void (*)()>(dlsym(library, "OrtGetApiBase"));
#endif
  if (!symbol) throw std::runtime_error("ONNX Runtime library " + shown + " has no OrtGetApiBase");
  // The library stays loaded for the life of the process: the table points into it.
  return reinterpret_cast<GetApiBase>(symbol);
}

}  // namespace

std::filesystem::path ortLibraryName() {
#ifdef _WIN32
  return L"onnxruntime.dll";
#else
  return "libonnxruntime.so.1";
#endif
}

const OrtApi& loadOrtApi(const std::filesystem::path& path) {
  const OrtApiBase* base = findApiBase(path)();
  const OrtApi* api = base ? base->GetApi(kOrtApiVersion) : nullptr;
  if (!api) {
    const std::string version = base ? base->GetVersionString() : "unknown";
    throw std::runtime_error("ONNX Runtime " + version + " does not provide API version " +
                             std::to_string(kOrtApiVersion));
  }
  return *api;
}

const OrtApi& ortApi() {
  static std::once_flag once;
  static const OrtApi* api = nullptr;
  // A failed load leaves the flag unset, so a later tracker may try again.
  std::call_once(once, [] { api = &loadOrtApi(exeDir() / ortLibraryName()); });
  return *api;
}

void ortCheck(OrtStatus* status) {
  if (!status) return;
  const OrtApi& api = ortApi();
  std::string message = api.GetErrorMessage(status);
  const OrtErrorCode code = api.GetErrorCode(status);
  api.ReleaseStatus(status);
  throw Ort::Exception(std::move(message), code);
}

}  // namespace vel
