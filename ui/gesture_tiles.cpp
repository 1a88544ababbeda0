// Gesture tile list, texts and layout.
#include "ui/gesture_tiles.h"

#include <algorithm>

#include "control/poses.h"

namespace vel {

GestureTileList gestureTiles(const Gestures& assignments, bool practice) {
  GestureTileList list;
  for (int pose = kPoseOneFinger; pose <= kPoseIndexLittle; ++pose) {
    int action = actionForPose(assignments, pose);
    // Practice lists a command's pose only when it also scrolls or aims, and then without it.
    if (practice && action != kActionNone && !hasPracticeStep(actionInfo(action).kind)) action = kActionNone;
    const GestureTile tile{pose, action, assignments[kActionScroll] == pose};
    if (tile.action != kActionNone || tile.scroll || pose == kPoseOneFinger) {
      list.tiles[static_cast<std::size_t>(list.count++)] = tile;
    }
  }
  if (practice) list.tiles[static_cast<std::size_t>(list.count++)] = {kPoseOpenHand, kActionNone, false};
  return list;
}

std::wstring tileTitle(const GestureTile& tile) {
  if (tile.pose == kPoseOpenHand) return L"Let go / rest";
  std::wstring title = tile.action != kActionNone ? actionInfo(tile.action).label
                       : tile.scroll              ? L""
                                                  : L"Move pointer";
  if (tile.scroll) title += title.empty() ? L"Scroll" : L" / Scroll";
  return title;
}

const wchar_t* tileHint(const GestureTile& tile) {
  const bool hasAction = tile.action != kActionNone;
  if (tile.pose == kPoseOpenHand) return L"Open your hand";
  if (tile.scroll) return hasAction ? L"Hold / move up or down" : L"Move up or down";
  if (tile.action == kActionDragAndDrop) return L"Hold, move, open";
  if (tile.pose == kPoseOneFinger) return hasAction ? L"Point and pause" : L"Point to aim";
  return L"Aim, then hold";
}

int practiceHighlightPose(const PracticeState& practice, const Gestures& assignments) {
  if (practice.inRestStep() || practice.grabbed || practice.dropUntil != 0) return kPoseOpenHand;
  return practice.currentAction != kActionNone ? assignments[static_cast<std::size_t>(practice.currentAction)]
                                               : kPoseNone;
}

TileBoxes tileBoxes(int x, int y, int width, int count, int index) {
  const int n = std::max(count, 1);
  const int tw = (width - 12 * n - 12) / n;
  const int tx = x + 8 + index * (tw + 12);
  return {{tx, y + 3, tx + tw + 8, y + 148},
          {tx + 4, y + 8, tx + 4 + tw, y + 8 + 82},
          {tx + 4, y + 94, tx + tw + 4, y + 128},
          {tx + 4, y + 126, tx + tw + 4, y + 151}};
}

Box tileCardBox(int x, int y, int width) { return {x, y, x + width, y + kTileCardHeight}; }

Box tileFooterBox(int x, int y, int width) { return {x + 12, y + 151, x + width - 12, y + 168}; }

}  // namespace vel
