// Where the running executable lives: settings, models and assets are resolved against it.
#pragma once

#include <filesystem>

namespace vel {

std::filesystem::path exeDir();

}  // namespace vel
