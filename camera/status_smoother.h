// Steadies the status line: a shown text stays at least 1500 ms and a new one must hold for
// 600 ms, so a flickering classification never makes the text jump about.
#pragma once

#include <cstdint>
#include <string>

namespace vel {

inline constexpr const wchar_t* kKeepHandInView = L"Keep one hand clearly in view";

// Times are control-output frame times in ms; 0 = none.
struct StatusSmoother {
  std::wstring shownText;  // empty: nothing decided yet
  bool shownWarning = false;
  std::wstring candidateText;  // the newest text that differs from the shown one
  bool candidateWarning = false;
  std::int64_t shownSince = 0;
  std::int64_t candidateSince = 0;
  std::int64_t warningSince = 0;  // every input since then was a warning; 0 = the last was not
  std::int64_t lastUpdate = 0;

  // One frame's status. `urgent` (an action fired) shows the text at once.
  void update(const std::wstring& text, bool warning, std::int64_t now, bool urgent);
  void reset() { *this = StatusSmoother{}; }
};

}  // namespace vel
