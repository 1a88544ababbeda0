// What the Windows private-profile functions do with INI files (as observed under Wine 8): the
// host INI store is tested against these cases, and the Windows tests run them through both the
// real functions and the host store.
#pragma once

#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/settings_store.h"

namespace vel::test {

// A lookup in a file: the string GetPrivateProfileStringW gives (default "dflt"; none when only
// the integer counts) and the integer GetPrivateProfileIntW gives (default 77).
struct ReadCase {
  std::string title;
  std::string file;
  std::wstring section;
  std::wstring key;
  std::optional<std::wstring> expectedString;
  int expectedInt;
};

// Bytes 0x80..0xff and what Windows-1252 makes of them: 32 characters of its own, five holes
// kept as C1 controls, then Latin-1; between 'a' and 'z' so that no end of a value is trimmed.
inline std::string upperHalfBytes() {
  std::string bytes = "a";
  for (int byte = 0x80; byte <= 0xff; ++byte) bytes += static_cast<char>(byte);
  return bytes + "z";
}
inline std::wstring upperHalfText() {
  std::wstring text = L"a\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d"
                      L"\u017d\u008f\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a"
                      L"\u0153\u009d\u017e\u0178";
  for (wchar_t c = 0xa0; c <= 0xff; ++c) text += c;
  return text + L"z";
}

inline std::vector<ReadCase> readCases() {
  // "A=<value>" in section Velmora.
  const std::pair<std::string, int> integers[] = {
      {"  12abc", 12}, {"-5", -5}, {"+7", 7}, {"12 ; c", 12},
      {"017", 17},  // leading zeros are decimal
      {"0x10", 16}, {" -0x10", -16}, {"0b101", 5}, {"0o17", 15},
      {"0X1F", 0},  // prefixes are lower case only
      {"0x", 0}, {"0x-3", 0}, {"1e3", 1}, {"abc", 0}, {"- 5", 0}, {"--5", 0}, {"", 77}, {"   ", 77},
      {"\"12\"", 12}, {"'13'", 13}, {"\"14", 0}, {"\"\"", 77},
      // 32-bit wrap-around.
      {"2147483647", INT_MAX}, {"2147483648", INT_MIN}, {"-2147483649", INT_MAX}, {"4294967296", 0},
      {"99999999999", 1215752191}, {"0xfffffffff", -1}, {"0xAbF", 2751},
      // The value is read into 30 units: 29 characters count.
      {"00000000000000000000000000012", 12}, {"000000000000000000000000000000012", 0},
      // Quotes around a value that just fills the buffer take its last digit with them.
      {"\"0000000000000000000000000012\"", 12}, {"\"00000000000000000000000000012\"", 1},
  };
  const std::string longValue(5000, 'x');
  std::vector<ReadCase> cases{
      {"names ignore case and spaces", "[velmora]\r\n\t mArgin \t=  45 \t\r\n", L"Velmora", L"Margin", L"45", 45},
      {"names ignore case from A to Z", "[VELMORA]\r\nAZ=3\r\n", L"velmora", L"az", L"3", 3},
      {"queries are trimmed", "[Velmora]\r\nMargin=45\r\n", L" Velmora ", L" Margin ", L"45", 45},
      {"inner spaces stay", "[Velmora]\r\nX = a b  \r\n", L"Velmora", L"X", L"a b", 0},
      {"first of two keys", "[Velmora]\r\nA=1\r\nA=2\r\n", L"Velmora", L"A", L"1", 1},
      {"first of two sections", "[Velmora]\r\nA=1\r\n[Other]\r\nB=5\r\n[Velmora]\r\nB=3\r\n", L"Velmora", L"B",
       L"dflt", 77},
      {"keys before any header", "A=9\r\n[Velmora]\r\nB=3\r\n", L"", L"A", L"9", 9},
      {"an empty header is a second unnamed section", "[]\r\nA=4\r\n", L"", L"A", L"dflt", 77},
      {"no comment syntax", "[Velmora]\r\n;A=1\r\n", L"Velmora", L";A", L"1", 1},
      {"comment text stays in the value", "[Velmora]\r\nC=3 ;x\r\n", L"Velmora", L"C", L"3 ;x", 3},
      {"a line without '='", "[Velmora]\r\nA\r\n", L"Velmora", L"A", L"dflt", 77},
      {"an empty value", "[Velmora]\r\nB=\r\n", L"Velmora", L"B", L"", 77},
      {"the first '=' splits", "[Velmora]\r\nA=1=2\r\n", L"Velmora", L"A", L"1=2", 1},
      {"a value starting with '='", "[Velmora]\r\nB==3\r\n", L"Velmora", L"B", L"=3", 0},
      {"an unclosed header is a key", "[Velmora\r\nA=1\r\n", L"Velmora", L"A", L"dflt", 77},
      {"text after the header", "[Velmora]x\r\nB=2\r\n", L"Velmora", L"B", L"2", 2},
      {"the last ']' closes", "[Vel]mora]\r\nA=1\r\n", L"Vel]mora", L"A", L"1", 1},
      {"CR line ends", "[Velmora]\rA=1\rB=2\r", L"Velmora", L"B", L"2", 2},
      {"a lone CR among LFs ends a line", "[Velmora]\nA=1\rB=2\n", L"Velmora", L"B", L"2", 2},
      {"no final line end", "[Velmora]\r\nA=1", L"Velmora", L"A", L"1", 1},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[Velmora]\r\nA=12\r\n", L"Velmora", L"A", L"12", 12},
      {"NUL ends a value", std::string("[Velmora]\r\nA=1\0" "2\r\nB=3\r\n", 22), L"Velmora", L"A", L"1", 1},
      {"NUL does not end the file", std::string("[Velmora]\r\nA=1\0" "2\r\nB=3\r\n", 22), L"Velmora", L"B", L"3", 3},
      {"quotes are dropped, spaces inside them stay", "[Velmora]\r\nB=\" 7 \"\r\n", L"Velmora", L"B", L" 7 ", 7},
      {"a lone quote", "[Velmora]\r\nC=\"\r\n", L"Velmora", L"C", L"\"", 0},
      {"mismatched quotes", "[Velmora]\r\nD='a\"\r\n", L"Velmora", L"D", L"'a\"", 0},
      {"long values are cut", "[Velmora]\r\nA=" + longValue + "\r\n", L"Velmora", L"A", std::wstring(4095, L'x'), 0},
      {"Windows-1252 text", "[Velmora]\r\nS=" + upperHalfBytes() + "\r\n", L"Velmora", L"S", upperHalfText(), 0},
      {"UTF-8 text after a mark", "\xEF\xBB\xBF[Velmora]\r\nS=caf\xC3\xA9 \xF0\x9F\x91\x8D \xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\r\n",
       L"Velmora", L"S", L"caf\u00e9 \U0001F44D \u0800\U00010000\U0010FFFF", 0},
      // Bad lead bytes, a short sequence, overlong forms, a surrogate, beyond U+10FFFF.
      {"malformed UTF-8",
       "\xEF\xBB\xBF[Velmora]\r\nS=a\xF4\xF4\x04"
       "b\xC3(\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80\xC0\xAF\xC3\xC0\r\n",
       L"Velmora", L"S", L"a\ufffd\ufffd\x04" L"b\ufffd(\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd", 0},
      {"UTF-8 cut off by the end of the file", "\xEF\xBB\xBF[Velmora]\r\nS=a\xE2\x82", L"Velmora", L"S", L"a\ufffd", 0},
      {"UTF-8 ending with the file", "\xEF\xBB\xBF[Velmora]\r\nS=a\xC3\xA9", L"Velmora", L"S", L"a\u00e9", 0},
      {"empty file", "", L"Velmora", L"A", L"dflt", 77},
  };
  for (const auto& [value, expected] : integers) {
    cases.push_back({"A=" + value, "[Velmora]\r\nA=" + value + "\r\n", L"Velmora", L"A", std::nullopt, expected});
  }
  return cases;
}

// A series of writes into a file (none when `before` is absent) and the file's bytes after them.
struct WriteCase {
  struct Write {
    std::wstring section;
    std::wstring key;
    std::wstring value;
  };
  std::string title;
  bool fileExists;
  std::string before;
  std::vector<Write> writes;
  std::string after;
};

inline void applyWrites(ISettingsStore& store, const WriteCase& c) {
  for (const auto& write : c.writes) store.writeString(write.section, write.key, write.value);
}

inline std::vector<WriteCase> writeCases() {
  return {
      {"a new file", false, "",
       {{L"Velmora", L"Mirror", L"1"}, {L"Velmora", L"Preview", L"1"}, {L"Velmora", L"mirror", L"0"},
        {L"Other", L"K", L"v"}},
       "[Velmora]\r\nMirror=0\r\nPreview=1\r\n[Other]\r\nK=v\r\n"},
      {"leading spaces of a value go, trailing ones stay until the next rewrite", false, "",
       {{L"Velmora", L"Z", L"  spaced  "}}, "[Velmora]\r\nZ=spaced  \r\n"},
      {"the next rewrite trims every value", true, "[Velmora]\r\nZ=spaced  \r\n", {{L"Velmora", L"E", L""}},
       "[Velmora]\r\nZ=spaced\r\nE=\r\n"},
      {"blank lines go, other lines stay", true,
       "; top comment\n\n[Velmora]\n  Mirror = 1  \n; mid\nJunk line\n\n[Other]\nK=v\n",
       {{L"Velmora", L"Mirror", L"0"}, {L"Velmora", L"New", L"5"}},
       "; top comment\r\n[Velmora]\r\nMirror=0\r\n; mid\r\nJunk line\r\nNew=5\r\n[Other]\r\nK=v\r\n"},
      {"an unchanged value leaves the file untouched", true, "[Velmora]\n  Mirror = 1  \n\n",
       {{L"Velmora", L"Mirror", L"1"}}, "[Velmora]\n  Mirror = 1  \n\n"},
      {"keys before any header stay there", true, "A=9\n[Velmora]\nB=3\n", {{L"Velmora", L"B", L"4"}},
       "A=9\r\n[Velmora]\r\nB=4\r\n"},
      {"only the first of two sections is written to", true, "[Velmora]\nA=1\n[Velmora]\nB=2\n",
       {{L"Velmora", L"B", L"4"}}, "[Velmora]\r\nA=1\r\nB=4\r\n[Velmora]\r\nB=2\r\n"},
      {"header names are rewritten trimmed", true, "[ Velmora ]\nA=1\n", {{L"Velmora", L"A", L"2"}},
       "[Velmora]\r\nA=2\r\n"},
      {"odd lines survive a rewrite", true, "[Velmora\n=5\n[Velmora]\nA\n", {{L"Velmora", L"A", L"1"}},
       "[Velmora\r\n=5\r\n[Velmora]\r\nA=1\r\n"},
      {"a byte-order mark is kept", true, "\xEF\xBB\xBF[Velmora]\r\nA=12\r\n", {{L"Velmora", L"B", L"x"}},
       "\xEF\xBB\xBF[Velmora]\r\nA=12\r\nB=x\r\n"},
      {"a missing final line end is added", true, "[Velmora]\nA=1", {{L"Velmora", L"B", L"2"}},
       "[Velmora]\r\nA=1\r\nB=2\r\n"},
      {"an empty file", true, "", {{L"Velmora", L"B", L"2"}}, "[Velmora]\r\nB=2\r\n"},
      {"Windows-1252 text", false, "", {{L"Velmora", L"S", upperHalfText()}}, "[Velmora]\r\nS=" + upperHalfBytes() + "\r\n"},
      {"a character Windows-1252 lacks", false, "", {{L"Velmora", L"S", L"x\u4e2d\u0080"}}, "[Velmora]\r\nS=x??\r\n"},
      {"UTF-8 text after a mark", true, "\xEF\xBB\xBF", {{L"Velmora", L"S", std::wstring(L"caf\u00e9 \u2014 \U0001F44D \u0800\U00010000\U0010FFFF ") + wchar_t(0xD800)}},
       "\xEF\xBB\xBF[Velmora]\r\nS=caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x91\x8D \xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF \xEF\xBF\xBD\r\n"},
  };
}

}  // namespace vel::test
