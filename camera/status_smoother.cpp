// The status smoother's rules, in the order they take precedence.
#include "camera/status_smoother.h"

namespace vel {
namespace {

constexpr std::int64_t kMinimumShownMs = 1500;
constexpr std::int64_t kStableMs = 600;
// A longer silence (or time running backwards) means the old text is no longer on anyone's mind.
constexpr std::int64_t kFreshStartGapMs = 2401;

}  // namespace

void StatusSmoother::update(const std::wstring& text, bool warning, std::int64_t now, bool urgent) {
  const auto show = [&] {
    candidateText = shownText = text;
    candidateWarning = shownWarning = warning;
    candidateSince = shownSince = now;
  };
  if (shownText.empty() || now < lastUpdate || now - lastUpdate >= kFreshStartGapMs) show();
  lastUpdate = now;
  if (!warning) {
    warningSince = 0;
  } else if (warningSince == 0) {
    warningSince = now;
  }

  if (text == shownText && warning == shownWarning) {
    candidateText = text;
    candidateWarning = warning;
    candidateSince = now;
    return;
  }
  if (urgent) {
    show();
    return;
  }
  if (text != candidateText || warning != candidateWarning) {
    candidateText = text;
    candidateWarning = warning;
    candidateSince = now;
  }
  if (now - shownSince < kMinimumShownMs) return;
  if (now - candidateSince >= kStableMs) {
    shownText = candidateText;
    shownWarning = candidateWarning;
    shownSince = now;
  } else if (warning && !shownWarning && now - warningSince >= kStableMs) {
    shownText = kKeepHandInView;
    shownWarning = true;
    shownSince = now;
  }
}

}  // namespace vel
