// Random settings files for fuzzing the loader: mostly the real keys with hostile values, mixed
// with broken headers, junk lines, odd line ends and stray bytes.
#pragma once

#include <array>
#include <random>
#include <string>

namespace vel::test {

inline std::string randomSettingsFile(std::mt19937& random) {
  static constexpr std::array<const char*, 21> kKeys{
      "Mirror",     "Preview",     "Scroll",      "PointerFeel", "Margin",      "Camera",    "Display",
      "AllDisplays", "ClickWait",  "DistanceMode", "GestureReference", "GesturesVersion", "ReachVersion", "ReachLeft",
      "ReachTop",   "ReachRight",  "ReachBottom", "ReachPalm",   "ReachAspect", "ReachMirror", "ReachCamera"};
  static constexpr std::array<const char*, 8> kHeaders{"[Velmora]", "[velmora]", "[ Velmora ]", "[Other]",
                                                       "[]",        "[Velmora",  "[Velmora]x",  "[VELMORA]"};
  static constexpr std::array<const char*, 14> kValues{
      "0", "1", "-1", "2", "3", "6", "7", "15", "45", "1000", "0x10", "\"1\"", "99999999999", "-2147483648"};
  static constexpr std::array<const char*, 4> kLineEnds{"\r\n", "\n", "\r", ""};
  const auto pick = [&random](auto& options) { return options[random() % options.size()]; };
  const auto chance = [&random](unsigned percent) { return random() % 100 < percent; };
  const auto junk = [&random]() {
    std::string text;
    for (auto n = random() % 12; n > 0; --n) text.push_back(static_cast<char>(random() % 256));
    return text;
  };
  // Small, ten-thousandths of the image, any 32 bits, far too many digits.
  const auto number = [&random]() {
    switch (random() % 4) {
      case 0: return std::to_string(static_cast<int>(random() % 3000) - 500);
      case 1: return std::to_string(random() % 20001);
      case 2: return std::to_string(static_cast<int>(random()));
      default: return std::to_string(random()) + std::to_string(random());
    }
  };

  std::string file = chance(5) ? "\xEF\xBB\xBF" : "";
  if (chance(90)) file += "[Velmora]\r\n";
  for (auto lines = random() % 40; lines > 0; --lines) {
    if (chance(6)) {
      file += pick(kHeaders);
    } else if (chance(8)) {
      file += junk();
    } else {
      std::string key = chance(35) ? "Gesture" + std::to_string(random() % 13) : pick(kKeys);
      if (chance(10)) key[0] = static_cast<char>(key[0] ^ 0x20);  // other case
      if (chance(10)) key = " " + key + "\t";
      std::string value = chance(40) ? pick(kValues) : chance(70) ? number() : junk();
      if (chance(5)) value = "\"" + value + "\"";
      file += key + (chance(95) ? "=" : "") + value;
    }
    file += chance(97) ? pick(kLineEnds) : std::string(1, '\0');
  }
  return file;
}

}  // namespace vel::test
