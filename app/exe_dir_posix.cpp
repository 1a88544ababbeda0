// Host builds: the executable's folder from the kernel's link to it.
#include "app/exe_dir.h"

namespace vel {

std::filesystem::path exeDir() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : exe.parent_path();
}

}  // namespace vel
