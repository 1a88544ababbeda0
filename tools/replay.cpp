// velmora-replay SCENARIO: plays recorded or hand-written hand observations through one gesture
// engine (reset state, default settings) and prints one line per frame. The formats are a stable
// interface for people and for checks outside the test suite.
//
// Input, one line per frame (blank lines and lines starting with '#' are skipped):
//   t=<ms> w=<W> h=<H> present=<0|1> valid=<0|1> presence=<float> lm=<x0>,<y0>;...;<x20>,<y20>
// with `lm=-` when there are no landmarks, and setting changes from then on:
//   set <Key>=<value>
// Keys are those of settings.ini (Mirror, PointerFeel, Margin, ClickWait, DistanceMode, Scroll,
// Gesture1..Gesture11, ReachVersion, ReachLeft, ...) plus adjustmentId, targetWidth, targetHeight and
// dpiScale. Values are the record's: fractions as fractions (Margin=0.2, ReachLeft=0.215); integers
// as the file stores them are accepted too (Margin=20 is percent, ReachLeft=2150 ten-thousandths).
//
// Output, one line per frame:
//   t=<ms> pose=<p> action=<a> hand=<0|1> pointerActive=<0|1> pointer=<x>,<y> progress=<p>
//   showProgress=<0|1> completed=<0|1> fired=<0|1> buttonHeld=<0|1> guidance=<0|1>
//   [adj=<step>,<progress>,<finished>,<failed>] status=<UTF-8 text> actions=<list>
// Exit codes: 0 done, 1 unreadable file or malformed line (reported on standard error with its
// line number; the frames before it are printed).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include "app/settings.h"
#include "camera/frame.h"
#include "control/action_sink.h"
#include "control/control_output.h"
#include "control/gesture_engine.h"
#include "tracking/hand_observation.h"

namespace {

using vel::Settings;

std::string utf8(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t wc : text) {
    const auto c = static_cast<std::uint32_t>(wc);
    if (c < 0x80) {
      bytes.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return bytes;
}

// The whole text as a number ("nan" and "inf" included, so broken landmarks can be replayed).
double number(const std::string& text, const std::string& what) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0') throw std::runtime_error("bad " + what + " '" + text + "'");
  return value;
}

std::int64_t integer(const std::string& text, const std::string& what) {
  const double value = number(text, what);
  if (!std::isfinite(value) || value != std::floor(value) || std::abs(value) > 9.0e15) {
    throw std::runtime_error("bad " + what + " '" + text + "'");
  }
  return static_cast<std::int64_t>(value);
}

bool flag(const std::string& text, const std::string& what) { return integer(text, what) != 0; }

// A fraction of the record, or the file's integer form of it (`fileScale` units per 1).
float fraction(const std::string& text, const std::string& what, double fileScale, double largestFraction) {
  const double value = number(text, what);
  return static_cast<float>(value > largestFraction ? value / fileScale : value);
}

using Setter = std::function<void(Settings&, const std::string&)>;

const std::map<std::string, Setter>& setters() {
  static const std::map<std::string, Setter> table = [] {
    std::map<std::string, Setter> t;
    const auto i32 = [](const std::string& v, const char* k) { return static_cast<std::int32_t>(integer(v, k)); };
    const auto reach = [](float Settings::*field, const char* key) {
      return [field, key](Settings& s, const std::string& v) { s.*field = fraction(v, key, 10000.0, 10.0); };
    };
    t["Mirror"] = [](Settings& s, const std::string& v) { s.Mirror = flag(v, "Mirror"); };
    t["Preview"] = [](Settings& s, const std::string& v) { s.Preview = flag(v, "Preview"); };
    t["PointerFeel"] = [i32](Settings& s, const std::string& v) {
      s.PointerFeel = std::clamp(i32(v, "PointerFeel"), 0, static_cast<int>(vel::kPointerFeelOptions.size()) - 1);
      s.pointerSmoothing = vel::kPointerFeelOptions[static_cast<std::size_t>(s.PointerFeel)].smoothing;
    };
    t["Margin"] = [](Settings& s, const std::string& v) { s.Margin = fraction(v, "Margin", 100.0, 0.99); };
    t["Camera"] = [i32](Settings& s, const std::string& v) { s.Camera = i32(v, "Camera"); };
    t["Display"] = [i32](Settings& s, const std::string& v) { s.Display = i32(v, "Display"); };
    t["AllDisplays"] = [](Settings& s, const std::string& v) { s.AllDisplays = flag(v, "AllDisplays"); };
    t["ClickWait"] = [i32](Settings& s, const std::string& v) { s.ClickWait = i32(v, "ClickWait"); };
    t["DistanceMode"] = [i32](Settings& s, const std::string& v) { s.DistanceMode = i32(v, "DistanceMode"); };
    t["GestureReference"] = [](Settings& s, const std::string& v) { s.GestureReference = flag(v, "GestureReference"); };
    // The table is always read here; the key is accepted so that settings files replay unchanged.
    t["GesturesVersion"] = [](Settings&, const std::string& v) { integer(v, "GesturesVersion"); };
    t["Scroll"] = [](Settings& s, const std::string& v) {
      if (!flag(v, "Scroll")) s.gestures[vel::kActionScroll] = 0;
    };
    for (int id = 1; id <= vel::kActionCount; ++id) {
      t["Gesture" + std::to_string(id)] = [i32, id](Settings& s, const std::string& v) {
        s.gestures[static_cast<std::size_t>(id)] = i32(v, "gesture");
      };
    }
    t["ReachVersion"] = [](Settings& s, const std::string& v) { s.ReachVersion = flag(v, "ReachVersion"); };
    t["ReachLeft"] = reach(&Settings::ReachLeft, "ReachLeft");
    t["ReachTop"] = reach(&Settings::ReachTop, "ReachTop");
    t["ReachRight"] = reach(&Settings::ReachRight, "ReachRight");
    t["ReachBottom"] = reach(&Settings::ReachBottom, "ReachBottom");
    t["ReachPalm"] = reach(&Settings::ReachPalm, "ReachPalm");
    t["ReachAspect"] = reach(&Settings::ReachAspect, "ReachAspect");
    // Kept beside the stored area in the file; the engine does not read them.
    t["ReachMirror"] = [](Settings&, const std::string& v) { flag(v, "ReachMirror"); };
    t["ReachCamera"] = [](Settings&, const std::string&) {};
    t["adjustmentId"] = [](Settings& s, const std::string& v) {
      s.adjustmentId = static_cast<std::uint64_t>(integer(v, "adjustmentId"));
    };
    t["targetWidth"] = [i32](Settings& s, const std::string& v) { s.targetWidth = i32(v, "targetWidth"); };
    t["targetHeight"] = [i32](Settings& s, const std::string& v) { s.targetHeight = i32(v, "targetHeight"); };
    t["dpiScale"] = [](Settings& s, const std::string& v) { s.dpiScale = static_cast<float>(number(v, "dpiScale")); };
    return t;
  }();
  return table;
}

void applySetting(Settings& settings, const std::string& assignment) {
  const auto equals = assignment.find('=');
  if (equals == std::string::npos) throw std::runtime_error("expected set <Key>=<value>");
  const std::string key = assignment.substr(0, equals);
  const auto setter = setters().find(key);
  if (setter == setters().end()) throw std::runtime_error("unknown setting '" + key + "'");
  setter->second(settings, assignment.substr(equals + 1));
}

vel::HandObservation parseLandmarks(const std::string& text, vel::HandObservation observation) {
  if (text == "-") return observation;
  std::istringstream points(text);
  std::string point;
  int count = 0;
  while (std::getline(points, point, ';')) {
    const auto comma = point.find(',');
    if (comma == std::string::npos || count == vel::kLandmarkCount) {
      throw std::runtime_error("lm= needs 21 points <x>,<y> separated by ';'");
    }
    observation.landmarks[static_cast<std::size_t>(count++)] = {
        static_cast<float>(number(point.substr(0, comma), "landmark")),
        static_cast<float>(number(point.substr(comma + 1), "landmark"))};
  }
  if (count != vel::kLandmarkCount) throw std::runtime_error("lm= needs 21 points <x>,<y> separated by ';'");
  return observation;
}

struct FrameLine {
  vel::Frame frame;  // size, time and sequence only: the engine never reads pixels
  vel::HandObservation observation;
};

FrameLine parseFrame(const std::string& line, std::uint64_t sequence) {
  std::map<std::string, std::string> fields;
  std::istringstream words(line);
  std::string word;
  while (words >> word) {
    const auto equals = word.find('=');
    if (equals == std::string::npos) throw std::runtime_error("expected <name>=<value>, got '" + word + "'");
    fields[word.substr(0, equals)] = word.substr(equals + 1);
  }
  const auto take = [&fields](const char* name) {
    const auto field = fields.find(name);
    if (field == fields.end()) throw std::runtime_error(std::string("missing ") + name + "=");
    std::string value = field->second;
    fields.erase(field);
    return value;
  };
  FrameLine result;
  const std::int64_t t = integer(take("t"), "t");
  if (t < 0) throw std::runtime_error("t must not be negative");
  result.frame.timeMs = static_cast<std::uint64_t>(t);
  result.frame.sequence = sequence;
  result.frame.width = static_cast<std::int32_t>(integer(take("w"), "w"));
  result.frame.height = static_cast<std::int32_t>(integer(take("h"), "h"));
  result.observation.present = flag(take("present"), "present");
  result.observation.landmarksValid = flag(take("valid"), "valid");
  result.observation.presence = static_cast<float>(number(take("presence"), "presence"));
  result.observation = parseLandmarks(take("lm"), result.observation);
  if (!fields.empty()) throw std::runtime_error("unknown field '" + fields.begin()->first + "='");
  return result;
}

std::string describe(const vel::ControlOutput& out) {
  char head[512];
  std::snprintf(head, sizeof head,
                "t=%lld pose=%d action=%d hand=%d pointerActive=%d pointer=%.4f,%.4f progress=%.4f "
                "showProgress=%d completed=%d fired=%d buttonHeld=%d guidance=%d",
                static_cast<long long>(out.timeMs), out.pose, out.action, out.handPresent, out.pointerActive,
                static_cast<double>(out.pointer.x), static_cast<double>(out.pointer.y),
                static_cast<double>(out.progress), out.showProgress, out.completed, out.fired, out.buttonHeld,
                out.needsGuidance);
  std::string text = head;
  if (out.adjustment.runId != 0) {
    char adjustment[96];
    std::snprintf(adjustment, sizeof adjustment, " adj=%d,%.4f,%d,%d", out.adjustment.step,
                  static_cast<double>(out.adjustment.progress), out.adjustment.finished, out.adjustment.failed);
    text += adjustment;
  }
  text += " status=" + utf8(out.status) + " actions=";
  for (std::size_t i = 0; i < out.actions.size(); ++i) text += (i ? " " : "") + vel::actionText(out.actions[i]);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: velmora-replay SCENARIO\n";
    return 1;
  }
  std::ifstream scenario(argv[1]);
  if (!scenario) {
    std::cerr << "velmora-replay: cannot read " << argv[1] << "\n";
    return 1;
  }
  Settings settings;
  vel::GestureState state;
  std::uint64_t sequence = 0;
  std::string line;
  for (int number = 1; std::getline(scenario, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    try {
      if (line.compare(start, 4, "set ") == 0) {
        const auto key = line.find_first_not_of(" \t", start + 4);
        applySetting(settings, key == std::string::npos ? "" : line.substr(key));
        continue;
      }
      const FrameLine frame = parseFrame(line, ++sequence);
      vel::ControlOutput output;
      vel::stepGestureEngine(state, output, frame.observation, frame.frame, settings);
      std::cout << describe(output) << "\n";
    } catch (const std::exception& error) {
      std::cout.flush();
      std::cerr << "velmora-replay: " << argv[1] << ":" << number << ": " << error.what() << "\n";
      return 1;
    }
  }
  return 0;
}
