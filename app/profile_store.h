// The settings store on Windows: the private-profile functions on one INI file.
#pragma once

#include <filesystem>

#include "app/settings_store.h"

namespace vel {

class ProfileStore final : public ISettingsStore {
 public:
  // A relative path is made absolute: given a bare name, the functions would use the Windows folder.
  explicit ProfileStore(const std::filesystem::path& file);

  int readInt(std::wstring_view section, std::wstring_view key, int fallback) const override;
  std::wstring readString(std::wstring_view section, std::wstring_view key,
                          std::wstring_view fallback) const override;
  void writeString(std::wstring_view section, std::wstring_view key, std::wstring_view value) override;

 private:
  std::wstring file_;
};

}  // namespace vel
