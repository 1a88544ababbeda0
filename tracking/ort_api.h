// Access to the ONNX Runtime C API table. The runtime library is loaded at run time from beside
// the executable, so a missing or wrong library is an error the user sees, not a failed start.
#pragma once

#ifdef _WIN32
// MinGW: the runtime's header expects a SAL macro and _stdcall as <windows.h> defines them;
// the portable core does not include <windows.h>, and x64 has one calling convention anyway.
#ifndef _Return_type_success_
#define _Return_type_success_(expr)
#endif
#undef _stdcall
#define _stdcall __stdcall
#endif
#include <onnxruntime_c_api.h>

#include <filesystem>
#include <string>

namespace vel {

// The API version the program is written against; the installed runtime may be newer.
inline constexpr uint32_t kOrtApiVersion = 22;

// The process-wide API table, loaded on first use. Throws std::runtime_error with a message
// that reads well after "Tracker unavailable: " when the library or the API version is missing.
const OrtApi& ortApi();

// Loads the runtime library at `path` and returns its API table; used once by ortApi().
const OrtApi& loadOrtApi(const std::filesystem::path& path);

// The runtime library's file name beside the executable.
std::filesystem::path ortLibraryName();

// Turns a failed status into Ort::Exception (message and code) after releasing the status.
void ortCheck(OrtStatus* status);

}  // namespace vel
