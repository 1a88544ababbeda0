// The status smoother's timing rules, each a script of frame times from a fresh smoother.
#include "camera/status_smoother.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace vel {
namespace {

const wchar_t* const kPoint = L"Point to aim";
const wchar_t* const kHold = L"Hold still";
const wchar_t* const kCloser = L"Move your hand closer";

// `text` every 33 ms from `from`, and once more at `until`; no text: two warnings taking turns.
struct Feed { std::int64_t from, until; const wchar_t* text; bool warning = false, urgent = false; };

TEST(Smoother, ShowsATextStableFor600MsOnceTheShownOneHadItsMinimum1500Ms) {
  const struct { const char* what; std::vector<Feed> feeds; const wchar_t* shown; bool warning; int since; } rows[] = {
      {"the first at once", {{0, 0, kCloser, true}, {33, 1499, kHold}}, kCloser, true, 0},
      {"then after 1500 ms", {{0, 0, kCloser, true}, {33, 1500, kHold}}, kHold, false, 1500},
      {"599 ms stable", {{0, 2000, kPoint}, {2033, 2632, kHold}}, kPoint, false, 0},
      {"600 ms stable", {{0, 2000, kPoint}, {2033, 2633, kHold}}, kHold, false, 2633},
      {"600 ms stable", {{0, 2000, kPoint}, {2033, 2633, kPoint, true}}, kPoint, true, 2633},
      {"the shown text back restarts the wait", {{0, 2000, kPoint}, {2033, 2033, kHold}, {2066, 2066, kPoint},
       {2099, 2698, kHold}}, kPoint, false, 0},
      {"600 ms of them at 1500 ms: summed up", {{0, 0, kPoint}, {300, 1500, nullptr}}, kKeepHandInView, true, 1500},
      {"one other text restarts the count",
       {{0, 2000, kPoint}, {2033, 2600, nullptr}, {2633, 2633, kHold}, {2666, 3232, nullptr}}, kPoint, false, 0},
      {"urgent: at once", {{0, 0, kPoint}, {100, 100, L"Click", false, true}}, L"Click", false, 100},
      {"after a gap of 2401 ms at once", {{0, 0, kPoint}, {2401, 2401, kCloser, true}}, kCloser, true, 2401},
      {"time going back: at once", {{0, 2000, kPoint}, {1990, 1990, kHold}}, kHold, false, 1990},
  };
  for (const auto& row : rows) {
    StatusSmoother smoother;
    for (const Feed& feed : row.feeds) {
      for (std::int64_t t = feed.from, i = 0;; t = t + 33 < feed.until ? t + 33 : feed.until, ++i) {
        const bool turns = feed.text == nullptr;
        const std::wstring text = turns ? (i % 2 ? kCloser : L"Keep your whole hand in view") : feed.text;
        smoother.update(text, feed.warning || turns, 100'000 + t, feed.urgent);
        if (t == feed.until) break;
      }
    }
    EXPECT_EQ((std::tuple{smoother.shownText, smoother.shownWarning, smoother.shownSince}),
              (std::tuple{std::wstring(row.shown), row.warning, 100'000 + row.since})) << row.what;
  }
}

}  // namespace
}  // namespace vel
