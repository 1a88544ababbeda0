// Key/value access to an INI file with the semantics of the Windows private-profile functions,
// so the settings rules run unchanged on Windows and in host tests.
#pragma once

#include <string>
#include <string_view>

namespace vel {

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;

  // The value read as GetPrivateProfileIntW reads it: leading digits after an optional sign, a
  // "0x", "0o" or "0b" prefix allowed, wrapping to 32 bits; `fallback` when the key is missing or
  // empty, 0 when the value does not start with a number.
  virtual int readInt(std::wstring_view section, std::wstring_view key, int fallback) const = 0;

  // The value with enclosing quotes removed, or `fallback` when the key is missing; either is cut
  // to kMaxValueLength units.
  virtual std::wstring readString(std::wstring_view section, std::wstring_view key,
                                  std::wstring_view fallback) const = 0;

  // Replaces the key's value in place or appends the key (and its section) at the end. Failures
  // are ignored: the settings file is optional.
  virtual void writeString(std::wstring_view section, std::wstring_view key, std::wstring_view value) = 0;

  // Strings are read into a buffer of 4096 UTF-16 units.
  static constexpr std::size_t kMaxValueLength = 4095;
};

}  // namespace vel
