// Where tests find models, tiny layout-test models and the shared photos.
#pragma once

#include <filesystem>

#include "app/exe_dir.h"

namespace vel::test {

inline std::filesystem::path modelsDir() { return exeDir() / "models"; }
inline std::filesystem::path layoutModelsDir(const char* name) { return exeDir() / "testmodels" / name; }
inline std::filesystem::path testDataDir() { return VEL_TESTDATA; }

}  // namespace vel::test
