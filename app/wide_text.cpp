// UTF-8 to and from wide text without a locale or a platform call, so both builds agree.
#include "app/wide_text.h"

#include <array>
#include <cstdint>

namespace vel {
namespace {

void appendCodePoint(std::wstring& text, std::uint32_t point) {
  if (point > 0xffff) {
    point -= 0x10000;
    text.push_back(static_cast<wchar_t>(0xd800 | (point >> 10)));
    text.push_back(static_cast<wchar_t>(0xdc00 | (point & 0x3ff)));
  } else {
    text.push_back(static_cast<wchar_t>(point));
  }
}

}  // namespace

std::wstring toWide(std::string_view utf8) {
  constexpr std::uint32_t kReplacement = 0xfffd;
  std::wstring text;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i++]);
    if (lead < 0x80) {
      text.push_back(static_cast<wchar_t>(lead));
      continue;
    }
    const std::size_t following = lead >= 0xc2 && lead < 0xe0   ? 1
                                  : lead >= 0xe0 && lead < 0xf0 ? 2
                                  : lead >= 0xf0 && lead < 0xf8 ? 3
                                                                : 0;
    const std::size_t end = i + following;
    if (end > utf8.size()) {
      appendCodePoint(text, kReplacement);
      break;
    }
    // Each continuation byte is taken only while the sequence can still be well formed.
    std::uint32_t point = lead & (0x7fu >> (following + 1));
    bool complete = following != 0;
    for (std::size_t at = end - following; complete && at < end; ++at) {
      const std::uint32_t bits = static_cast<unsigned char>(utf8[at]) ^ 0x80u;
      const std::size_t left = end - at - 1;  // continuation bytes after this one
      if (bits >= 0x40) {
        complete = false;
        break;
      }
      point = (point << 6) | bits;
      if (left == 1 && point >= (0x110000 >> 6)) {
        complete = false;
        break;
      }
      i = at + 1;
      if (left == 2) {
        complete = point >= 0x10;  // not an overlong four-byte form
      } else if (left == 1) {
        complete = point >= 0x20 && (point < (0xd800 >> 6) || point > (0xdfff >> 6));
      } else {
        complete = point >= 0x80;
      }
    }
    appendCodePoint(text, complete ? point : kReplacement);
  }
  return text;
}

std::string toUtf8(std::wstring_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto point = static_cast<std::uint32_t>(text[i]);
    if (point >= 0xd800 && point < 0xdc00 && i + 1 < text.size() &&
        static_cast<std::uint32_t>(text[i + 1]) - 0xdc00 < 0x400) {
      point = 0x10000 + ((point - 0xd800) << 10) + (static_cast<std::uint32_t>(text[++i]) - 0xdc00);
    } else if (point >= 0xd800 && point < 0xe000) {
      point = 0xfffd;
    }
    if (point < 0x80) {
      bytes.push_back(static_cast<char>(point));
      continue;
    }
    constexpr std::array<std::uint32_t, 4> kLeadMark{0x00, 0xc0, 0xe0, 0xf0};
    const int following = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
    bytes.push_back(static_cast<char>(kLeadMark[static_cast<std::size_t>(following)] | (point >> (6 * following))));
    for (int shift = 6 * (following - 1); shift >= 0; shift -= 6) {
      bytes.push_back(static_cast<char>(0x80 | ((point >> shift) & 0x3f)));
    }
  }
  return bytes;
}

}  // namespace vel
