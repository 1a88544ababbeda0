// Windows: the executable's folder from its module path.
#include <windows.h>

#include <vector>

#include "app/exe_dir.h"

namespace vel {

std::filesystem::path exeDir() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
}

}  // namespace vel
