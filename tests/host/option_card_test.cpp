// The Gestures page's option cards: the selected pose and what choosing another would replace.
#include "ui/option_card.h"

#include <gtest/gtest.h>

#include <string>

namespace vel {
namespace {

TEST(OptionCard, SecondLineNamesWhatTheChoiceWouldReplace) {
  struct Case {
    const char* what;
    Gestures assignments;
    int action;
    int option;
    int pose;
    bool selected;
    std::wstring line;
  };
  const Case cases[] = {
      {"the current pose", kDefaultGestures, kActionClick, 0, 1, true, L"✓ Selected"},
      {"Two fingers for Click: Scroll keeps it", kDefaultGestures, kActionClick, 1, 2, false,
       L"Replaces Right-click"},
      {"a free pose", kDefaultGestures, kActionClick, 2, 5, false, L""},
      {"Drag onto Right-click's and Scroll's pose", {0, 1, 6, 3, 4, 6, 0, 0, 0, 0, 0, 0}, kActionDragAndDrop, 2, 6,
       false, L"Replaces hold + scroll"},
      {"Drag onto Scroll's pose alone", {0, 1, 2, 3, 4, 6, 0, 0, 0, 0, 0, 0}, kActionDragAndDrop, 2, 6, false,
       L"Replaces Scroll"},
      {"Scroll onto Drag's pose", {0, 1, 2, 3, 6, 2, 0, 0, 0, 0, 0, 0}, kActionScroll, 2, 6, false,
       L"Replaces Drag and drop"},
      {"Scroll shares with Right-click", {0, 1, 6, 3, 4, 2, 0, 0, 0, 0, 0, 0}, kActionScroll, 2, 6, false, L""},
      {"a command onto a click's pose", kDefaultGestures, 7, 2, 2, false, L"Replaces Right-click"},
      {"the last action", kDefaultGestures, 11, 0, 6, false, L""},
      {"no such action", kDefaultGestures, 12, 0, 0, false, L""},
      {"no such option", kDefaultGestures, kActionClick, 3, 0, false, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const OptionCardText card = optionCardText(c.assignments, c.action, c.option);
    EXPECT_EQ(card.pose, c.pose);
    EXPECT_EQ(card.selected, c.selected);
    EXPECT_EQ(card.line, c.line);
  }
}

}  // namespace
}  // namespace vel
