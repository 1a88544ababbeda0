// The gesture tiles of the home page and the reference card: which poses are listed with which
// titles and hints, and where each tile's parts go.
#pragma once

#include <array>
#include <string>

#include "control/actions.h"
#include "ui/draw_types.h"
#include "ui/practice.h"

namespace vel {

struct GestureTile {
  int pose = 0;
  int action = 0;       // the action the pose triggers, 0 for none
  bool scroll = false;  // the pose also scrolls
};

struct GestureTileList {
  std::array<GestureTile, 7> tiles{};
  int count = 0;
};

// Poses 1-6 in catalog order that something uses (One finger always, since it moves the pointer).
// In practice only the gestures practice has steps for count, and the Open hand comes last.
GestureTileList gestureTiles(const Gestures& assignments, bool practice);

std::wstring tileTitle(const GestureTile& tile);
const wchar_t* tileHint(const GestureTile& tile);

// The pose practice asks for now: the Open hand while resting or holding a drag, else the pose of
// the step's action; 0 for none.
int practiceHighlightPose(const PracticeState& practice, const Gestures& assignments);

inline constexpr int kTileCardHeight = 170;
inline constexpr wchar_t kTileFooter[] = L"Point to aim · Open hand to rest";

// Parts of tile `index` of `count` in a tile card at (x, y) of `width`.
struct TileBoxes {
  Box highlight;  // the accent frame of the highlighted pose
  Box illustration;
  Box title;
  Box hint;
};

TileBoxes tileBoxes(int x, int y, int width, int count, int index);
Box tileCardBox(int x, int y, int width);
Box tileFooterBox(int x, int y, int width);

}  // namespace vel
