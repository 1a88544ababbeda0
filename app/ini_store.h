// The settings store on the host: an INI file read and written the way the Windows
// private-profile functions do it (checked against them under Wine).
#pragma once

#include <filesystem>

#include "app/settings_store.h"

namespace vel {

// Like the private-profile functions, every call reads the file afresh and every change rewrites
// it whole: sections and keys keep their order, blank lines go, lines end in CR LF. A file with a
// UTF-8 byte-order mark is UTF-8, any other is Windows-1252 (the ANSI page of an English Windows;
// characters it lacks are written as '?', where Windows puts a look-alike for some, 'a' for 'ā').
// Section and key names compare without regard to ASCII case. UTF-16 files, which Windows also
// reads, are not understood.
class IniStore final : public ISettingsStore {
 public:
  explicit IniStore(std::filesystem::path file) : file_(std::move(file)) {}

  int readInt(std::wstring_view section, std::wstring_view key, int fallback) const override;
  std::wstring readString(std::wstring_view section, std::wstring_view key,
                          std::wstring_view fallback) const override;
  void writeString(std::wstring_view section, std::wstring_view key, std::wstring_view value) override;

 private:
  std::filesystem::path file_;
};

}  // namespace vel
