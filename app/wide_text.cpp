// A small UTF-8 decoder: no locale, no platform call, the same result in both builds.
#include "app/wide_text.h"

#include <cstdint>

namespace vel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void append(std::wstring& out, char32_t code) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (code > 0xFFFF) {
      code -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(code));
}

}  // namespace

std::wstring toWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1Fu : length == 3 ? lead & 0x0Fu : lead & 0x07u;
    int taken = 1;
    for (; length > 1 && taken < length && i + taken < utf8.size(); ++taken) {
      const auto next = static_cast<std::uint8_t>(utf8[i + taken]);
      if ((next & 0xC0) != 0x80) break;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are as malformed as a cut sequence.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = length != 0 && taken == length && code >= kSmallest[length] && code <= 0x10FFFF &&
                       (code < 0xD800 || code > 0xDFFF);
    append(out, valid ? code : kReplacement);
    i += valid ? static_cast<std::size_t>(length) : static_cast<std::size_t>(taken);
  }
  return out;
}

}  // namespace vel
