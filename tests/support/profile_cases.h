// What the Windows private-profile functions do with INI files, as observed under Wine 8 (the host
// INI store runs these cases, the Windows tests run them through both), and random settings files.
#pragma once

#include <array>
#include <climits>
#include <optional>
#include <tuple>
#include <vector>

#include "app/settings_store.h"
#include "tests/support/temp_dir.h"

namespace vel::test {

// Bytes 0x80..0xff between 'a' and 'z', and their Windows-1252 text: 32 characters of its own (the
// five holes kept as C1 controls), then Latin-1.
inline const std::pair<std::string, std::wstring> kUpperHalf = [] {
  std::pair<std::string, std::wstring> half{"a", L"a\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030"
      L"\u0160\u2039\u0152\u008d\u017d\u008f\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161"
      L"\u203a\u0153\u009d\u017e\u0178"};
  for (int byte = 0x80; byte <= 0xff; ++byte) half.first += static_cast<char>(byte);
  for (wchar_t c = 0xa0; c <= 0xff; ++c) half.second += c;
  return std::pair{half.first + "z", half.second + L"z"};
}();

// A file, section and key; the string GetPrivateProfileStringW gives (default "dflt"; none when
// only the integer counts) and the integer GetPrivateProfileIntW gives (default 77).
using ReadCase = std::tuple<std::string, std::wstring, std::wstring, std::optional<std::wstring>, int>;

inline std::vector<ReadCase> readCases() {
  const std::tuple<std::string, std::optional<std::wstring>, int> values[] = {  // of A in [Velmora]
      {"  12abc", L"12abc", 12}, {"-5", {}, -5}, {"+7", {}, 7}, {"017", {}, 17}, {"0x10", {}, 16},
      {" -0x10", {}, -16}, {"0b101", {}, 5}, {"0o17", {}, 15}, {"0X1F", {}, 0}, {"0x", {}, 0}, {"0x-3", {}, 0},
      {"1e3", {}, 1}, {"abc", {}, 0}, {"- 5", {}, 0}, {"--5", {}, 0}, {"", L"", 77}, {"   ", {}, 77},
      {"'13'", L"13", 13}, {"\"14", {}, 0}, {"\"\"", L"", 77}, {"\" 7 \"", L" 7 ", 7}, {"\"", L"\"", 0},
      {"'a\"", L"'a\"", 0}, {"3 ;x", L"3 ;x", 3}, {"1=2", L"1=2", 1}, {"=3", L"=3", 0}, {"a b  ", L"a b", 0},
      {"2147483647", {}, INT_MAX}, {"2147483648", {}, INT_MIN}, {"-2147483649", {}, INT_MAX}, {"4294967296", {}, 0},
      {"99999999999", {}, 1215752191}, {"0xfffffffff", {}, -1}, {"0xAbF", {}, 2751},
      // The integer is read into 30 units, 29 characters counting; quotes around a value that just
      // fills them take its last digit with them.
      {"00000000000000000000000000012", {}, 12}, {"000000000000000000000000000000012", {}, 0},
      {"\"0000000000000000000000000012\"", {}, 12}, {"\"00000000000000000000000000012\"", {}, 1},
      {std::string(5000, 'x'), std::wstring(4095, L'x'), 0}, {kUpperHalf.first, kUpperHalf.second, 0}};
  const std::string nul("[Velmora]\r\nA=1\0" "2\r\nB=3\r\n", 22);
  std::vector<ReadCase> cases{
      {"[VELMORA]\r\n\t mArgZ \t=  45 \t\r\n", L" velmora ", L" margz ", L"45", 45},
      {"[Velmora]\r\nA=1\r\nA=2\r\n", L"Velmora", L"A", L"1", 1},
      {"[Velmora]\r\nA=1\r\n[Other]\r\nB=5\r\n[Velmora]\r\nB=3\r\n", L"Velmora", L"B", L"dflt", 77},
      {"A=9\r\n[Velmora]\r\nB=3\r\n", L"", L"A", L"9", 9}, {"[]\r\nA=4\r\n", L"", L"A", L"dflt", 77},
      {"[Velmora]\r\n;A=1\r\n", L"Velmora", L";A", L"1", 1}, {"[Velmora]\r\nA\r\n", L"Velmora", L"A", L"dflt", 77},
      {"[Velmora\r\nA=1\r\n", L"Velmora", L"A", L"dflt", 77}, {"[Velmora]x\r\nB=2\r\n", L"Velmora", L"B", L"2", 2},
      {"[Vel]mora]\r\nA=1\r\n", L"Vel]mora", L"A", L"1", 1}, {"[Velmora]\rA=1\rB=2\r", L"Velmora", L"B", L"2", 2},
      {"[Velmora]\nA=1\rB=2\n", L"Velmora", L"B", L"2", 2}, {"[Velmora]\r\nA=1", L"Velmora", L"A", L"1", 1},
      {"", L"Velmora", L"A", L"dflt", 77}, {nul, L"Velmora", L"A", L"1", 1}, {nul, L"Velmora", L"B", L"3", 3},
      // UTF-8 after a mark: whole; malformed (bad leads, short, overlong, surrogate, past U+10FFFF); cut off.
      {"\xEF\xBB\xBF[Velmora]\r\nS=\xC3\xA9\xC2\x80 \xF0\x9F\x91\x8D \xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\r\n",
       L"Velmora", L"S", L"\u00e9\u0080 \xD83D\xDC4D \u0800\xD800\xDC00\xDBFF\xDFFF", 0},
      {"\xEF\xBB\xBF[Velmora]\r\nS=a\xF4\xF4\x04" "b\xC3(\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80\xC0\xAF\xC3\xC0\r\n",
       L"Velmora", L"S", L"a\ufffd\ufffd\x04" L"b\ufffd(" + std::wstring(11, L'\ufffd'), 0},
      {"\xEF\xBB\xBF[Velmora]\r\nS=a\xE2\x82", L"Velmora", L"S", L"a\ufffd", 0},
      {"\xEF\xBB\xBF[Velmora]\r\nS=a\xC3\xA9", L"Velmora", L"S", L"a\u00e9", 0}};
  for (const auto& [value, string, integer] : values) {
    cases.emplace_back("[Velmora]\r\nA=" + value + "\r\n", L"Velmora", L"A", string, integer);
  }
  return cases;
}

// The file before (none when absent), writes of section, key and value, and the file after them.
using WriteCase = std::tuple<std::optional<std::string>, std::vector<std::array<std::wstring, 3>>, std::string>;

inline std::vector<WriteCase> writeCases() {
  return {
      // Leading spaces go, trailing ones stay until the next rewrite; Windows-1252 lacks S's last two.
      {{}, {{L"Velmora", L"Mirror", L"1"}, {L"Velmora", L"mirror", L"0"},
            {L"Other", L"S", kUpperHalf.second + L"\u4e2d\u0080"}, {L"Velmora", L"Z", L"  spaced  "}},
       "[Velmora]\r\nMirror=0\r\nZ=spaced  \r\n[Other]\r\nS=" + kUpperHalf.first + "??\r\n"},
      // Blank lines, spaces and a missing final line end go; other lines stay.
      {"; top\n\nA=9\n[ Velmora ]\n  Mirror = 1  \n; mid\nJunk\n[Other]\nK=v",
       {{L"Velmora", L"Mirror", L"0"}, {L"Velmora", L"New", L"5"}},
       "; top\r\nA=9\r\n[Velmora]\r\nMirror=0\r\n; mid\r\nJunk\r\nNew=5\r\n[Other]\r\nK=v\r\n"},
      {"[Velmora]\n  Mirror = 1  \n\n", {{L"Velmora", L"Mirror", L"1"}}, "[Velmora]\n  Mirror = 1  \n\n"},
      {"[Velmora\n=5\n[Velmora]\nA\n", {{L"Velmora", L"A", L"1"}}, "[Velmora\r\n=5\r\n[Velmora]\r\nA=1\r\n"},
      {"\xEF\xBB\xBF", {{L"Velmora", L"S", L"caf\u00e9 \xD83D\xDC4D \u0800\xD800\xDC00\xDBFF\xDFFF \xD800"}},
       "\xEF\xBB\xBF[Velmora]\r\nS=caf\xC3\xA9 \xF0\x9F\x91\x8D \xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF "
       "\xEF\xBF\xBD\r\n"}};
}

// Runs every case through the stores `open` gives for a file in `dir`.
template <typename Open>
void expectProfileCases(const std::filesystem::path& dir, const char* name, Open open) {
  int n = 0;
  for (const auto& [text, section, key, string, integer] : readCases()) {
    const auto file = dir / ("read" + std::to_string(++n) + ".ini");
    writeFile(file, text);
    EXPECT_EQ(string ? open(file)->readString(section, key, L"dflt") : L"-", string.value_or(L"-")) << name << text;
    EXPECT_EQ(open(file)->readInt(section, key, 77), integer) << name << text;
  }
  for (const auto& [before, writes, after] : writeCases()) {
    const auto file = dir / ("write" + std::to_string(++n) + ".ini");
    if (before) writeFile(file, *before);
    for (const auto& [section, key, value] : writes) open(file)->writeString(section, key, value);
    EXPECT_EQ(readFile(file), after) << name;
  }
}

// A random settings file: real keys in any case, broken headers, hostile values, junk bytes, odd
// line ends.
inline std::string randomSettingsFile(std::mt19937& random) {
  static const std::vector<std::string> keys{"Mirror", "preview", "Scroll", "PointerFeel", " Margin\t", "Camera",
      "Display", "AllDisplays", "ClickWait", "DistanceMode", "GestureReference", "GesturesVersion", "REACHVERSION",
      "ReachLeft", "ReachTop", "ReachRight", "ReachBottom", "ReachPalm", "ReachAspect", "ReachMirror", "ReachCamera",
      "[Velmora]", "[velmora]", "[ Velmora ]", "[Other]", "[]", "[Velmora", "\xEF\xBB\xBF", "\xFF\x80\x01\xC3"};
  static const std::vector<std::string> values{"0", "1", "-1", "2", "3", "6", "7", "15", "45", "1000", "0x10", "\"1\"",
      "99999999999", "-2147483648", "", " 1 ", "\xFF\x80\x01\xC3"};
  const auto pick = [&random](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  std::string file = random() % 10 ? "[Velmora]\r\n" : "";
  for (auto lines = random() % 40; lines > 0; --lines) {
    const std::string key = random() % 3 ? pick(keys) : "Gesture" + std::to_string(random() % 13);
    // Ten-thousandths of the image, or any 32 bits.
    const std::string value = random() % 2 ? pick(values) : std::to_string(random() % 2 ? random() % 20001 : random());
    file += key + pick({"=", "=", "=", ""}) + value + pick({"\r\n", "\n", "\r", "", std::string(1, '\0')});
  }
  return file;
}

}  // namespace vel::test
