// An INI file with the quirks of the private-profile functions as Wine implements them: how
// lines split, what is trimmed, which duplicate wins, how quotes and integers are read.
#include "app/ini_store.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <string>
#include <vector>

#include "app/wide_text.h"

namespace vel {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// GetPrivateProfileIntW reads the value into a buffer of 30 units.
constexpr std::size_t kIntegerBuffer = 30;

struct Entry {
  std::wstring name;
  std::optional<std::wstring> value;  // none for a line without '='
};

struct Section {
  std::wstring name;
  std::vector<Entry> entries;
};

struct Profile {
  bool utf8Mark = false;
  // The first section is the unnamed one holding the lines before any header.
  std::vector<Section> sections{Section{}};
};

bool isSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1a; }

std::wstring_view trim(std::wstring_view text) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Names and values are C strings in the profile functions: a NUL ends them.
std::wstring untilNul(std::wstring_view text) { return std::wstring(text.substr(0, text.find(L'\0'))); }

bool sameName(std::wstring_view a, std::wstring_view b) {
  const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

// Windows-1252 characters 0x80..0x9f; the rest of the page is Latin-1. The five holes map to
// the C1 controls, as Windows maps them.
constexpr std::array<wchar_t, 32> kWindows1252High{
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178};

std::wstring fromWindows1252(std::string_view bytes) {
  std::wstring text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text.push_back(byte >= 0x80 && byte < 0xa0 ? kWindows1252High[byte - 0x80u] : static_cast<wchar_t>(byte));
  }
  return text;
}

// Characters the page lacks become '?'.
std::string toWindows1252(std::wstring_view text) {
  std::string bytes;
  for (const wchar_t c : text) {
    const auto high = std::find(kWindows1252High.begin(), kWindows1252High.end(), c);
    if (high != kWindows1252High.end()) {
      bytes.push_back(static_cast<char>(0x80 + (high - kWindows1252High.begin())));
    } else {
      bytes.push_back(c <= 0xff && (c < 0x80 || c >= 0xa0) ? static_cast<char>(c) : '?');
    }
  }
  return bytes;
}

std::optional<std::string> readBytes(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Profile parse(std::string_view bytes) {
  Profile profile;
  if (bytes.starts_with(kUtf8Mark)) {
    profile.utf8Mark = true;
    bytes.remove_prefix(kUtf8Mark.size());
  }
  const std::wstring text = profile.utf8Mark ? toWide(bytes) : fromWindows1252(bytes);

  std::size_t next = 0;
  while (next < text.size()) {
    // Every CR and every LF ends a line.
    const std::size_t end = std::min(text.find_first_of(L"\r\n", next), text.size());
    const std::wstring_view line = trim(std::wstring_view(text).substr(next, end - next));
    next = end + 1;
    if (line.empty()) continue;

    const std::size_t close = line.rfind(L']');
    if (line.front() == L'[' && close != std::wstring_view::npos && close > 0) {
      profile.sections.push_back({untilNul(trim(line.substr(1, close - 1))), {}});
      continue;
    }
    const std::size_t equals = line.find(L'=');
    Entry entry{untilNul(trim(line.substr(0, equals))), std::nullopt};
    if (equals != std::wstring_view::npos) entry.value = untilNul(trim(line.substr(equals + 1)));
    profile.sections.back().entries.push_back(std::move(entry));
  }
  return profile;
}

// Settings are read key by key, some thirty reads of the same file in a row: the last parse is
// kept, per thread, and serves as long as the file holds the same bytes.
const Profile& load(const std::filesystem::path& file) {
  thread_local std::string lastBytes;
  thread_local Profile lastProfile;
  std::string bytes = readBytes(file).value_or("");
  if (bytes != lastBytes) {
    lastProfile = parse(bytes);
    lastBytes = std::move(bytes);
  }
  return lastProfile;
}

// Only the first section of a name counts, and only the first key of a name within it.
template <typename Items>
auto* findNamed(Items& items, std::wstring_view name) {
  const auto found =
      std::find_if(items.begin(), items.end(), [&](const auto& item) { return sameName(item.name, name); });
  return found == items.end() ? nullptr : &*found;
}

// The string GetPrivateProfileStringW puts into a buffer of `capacity` units, quirks included:
// matching quotes around the value are dropped, and when the value just fills the buffer the
// unquoting takes one character too many.
std::wstring copyEntry(std::wstring_view value, std::size_t capacity, bool stripQuote) {
  bool quoted = false;
  if (stripQuote && value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    quoted = true;
    value.remove_prefix(1);
  }
  std::wstring copy(value.substr(0, capacity - 1));
  if (quoted && capacity >= value.size() && !copy.empty()) copy.pop_back();
  return copy;
}

std::wstring readBuffer(const std::filesystem::path& file, std::wstring_view section, std::wstring_view key,
                        std::wstring_view fallback, std::size_t capacity) {
  const Profile& profile = load(file);
  const Section* found = findNamed(profile.sections, trim(section));
  const Entry* entry = found ? findNamed(found->entries, trim(key)) : nullptr;
  if (entry && entry->value) return copyEntry(*entry->value, capacity, true);
  return copyEntry(fallback, capacity, false);
}

// RtlUnicodeStringToInteger with base 0, which GetPrivateProfileIntW uses: only lower-case
// prefixes, and digits accumulate in 32 bits without an overflow check.
int parseInteger(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] <= L' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  std::uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == L'0') {
    const wchar_t prefix = text[i + 1];
    base = prefix == L'b' ? 2 : prefix == L'o' ? 8 : prefix == L'x' ? 16 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const std::uint32_t digit = c >= L'0' && c <= L'9'   ? static_cast<std::uint32_t>(c - L'0')
                                : c >= L'A' && c <= L'Z' ? static_cast<std::uint32_t>(c - L'A' + 10)
                                : c >= L'a' && c <= L'z' ? static_cast<std::uint32_t>(c - L'a' + 10)
                                                         : base;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return static_cast<int>(negative ? 0u - total : total);
}

std::string format(const Profile& profile) {
  std::wstring text;
  for (const Section& section : profile.sections) {
    if (!section.name.empty()) text += L"[" + section.name + L"]\r\n";
    for (const Entry& entry : section.entries) {
      text += entry.name;
      if (entry.value) text += L"=" + *entry.value;
      text += L"\r\n";
    }
  }
  return profile.utf8Mark ? std::string(kUtf8Mark) + toUtf8(text) : toWindows1252(text);
}

}  // namespace

int IniStore::readInt(std::wstring_view section, std::wstring_view key, int fallback) const {
  const std::wstring text = readBuffer(file_, section, key, L"", kIntegerBuffer);
  return text.empty() ? fallback : parseInteger(text);
}

std::wstring IniStore::readString(std::wstring_view section, std::wstring_view key,
                                  std::wstring_view fallback) const {
  return readBuffer(file_, section, key, fallback, kMaxValueLength + 1);
}

void IniStore::writeString(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
  Profile profile = load(file_);
  const std::wstring sectionName = untilNul(trim(section));
  const std::wstring keyName = untilNul(trim(key));
  while (!value.empty() && isSpace(value.front())) value.remove_prefix(1);
  const std::wstring text = untilNul(value);

  Section* target = findNamed(profile.sections, sectionName);
  if (!target) target = &profile.sections.emplace_back(Section{sectionName, {}});
  Entry* entry = findNamed(target->entries, keyName);
  if (entry && entry->value == text) return;  // an unchanged value leaves the file untouched
  if (entry) {
    entry->value = text;
  } else {
    target->entries.push_back({keyName, text});
  }
  std::ofstream(file_, std::ios::binary | std::ios::trunc) << format(profile);
}

}  // namespace vel
