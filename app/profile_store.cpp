// GetPrivateProfileIntW, GetPrivateProfileStringW and WritePrivateProfileStringW behind the
// settings store interface.
#include "app/profile_store.h"

#include <windows.h>

#include <array>
#include <string>
#include <system_error>

namespace vel {

ProfileStore::ProfileStore(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(file, error);
  file_ = (error ? file : absolute).wstring();
}

int ProfileStore::readInt(std::wstring_view section, std::wstring_view key, int fallback) const {
  return static_cast<int>(GetPrivateProfileIntW(std::wstring(section).c_str(), std::wstring(key).c_str(), fallback,
                                                file_.c_str()));
}

std::wstring ProfileStore::readString(std::wstring_view section, std::wstring_view key,
                                      std::wstring_view fallback) const {
  std::array<wchar_t, kMaxValueLength + 1> buffer{};
  const DWORD length =
      GetPrivateProfileStringW(std::wstring(section).c_str(), std::wstring(key).c_str(),
                               std::wstring(fallback).c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                               file_.c_str());
  return std::wstring(buffer.data(), length);
}

void ProfileStore::writeString(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  WritePrivateProfileStringW(std::wstring(section).c_str(), std::wstring(key).c_str(), std::wstring(value).c_str(),
                             file_.c_str());
}

}  // namespace vel
