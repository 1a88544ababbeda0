// The one palette of the main window and the overlays.
#pragma once

#include "ui/draw_types.h"

namespace vel {

inline constexpr Rgb kBackground{243, 246, 247};
inline constexpr Rgb kInk{19, 35, 48};
inline constexpr Rgb kMuted{101, 119, 131};
inline constexpr Rgb kAccent{0, 116, 109};
inline constexpr Rgb kStop{160, 76, 44};
inline constexpr Rgb kDisabled{220, 227, 230};
inline constexpr Rgb kPreviewWell{27, 46, 59};
inline constexpr Rgb kStatusOnDark{220, 244, 240};
inline constexpr Rgb kMovementArea{101, 171, 174};
inline constexpr Rgb kSkeleton{63, 227, 183};
inline constexpr Rgb kJoints{207, 255, 241};
inline constexpr Rgb kWhite{255, 255, 255};

// The filling circle's own colours.
inline constexpr Rgb kCompletedGreen{0, 145, 99};
inline constexpr Rgb kLiquidSurface{139, 236, 215};
inline constexpr Rgb kRingTrack{181, 205, 206};

// Overlay pixels of this colour are see-through (the layered windows' colour key).
inline constexpr Rgb kColourKey{255, 0, 255};

}  // namespace vel
