// The hand drawn over the preview: which landmarks the bones join and when the skeleton and the
// fingertip ring are shown.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "control/control_output.h"

namespace vel {

// Wrist to thumb, then each finger from its base, the palm's edge closing at the wrist.
inline constexpr std::array<std::pair<int, int>, 21> kHandBones{{
    {0, 1}, {1, 2}, {2, 3}, {3, 4}, {0, 5}, {5, 6}, {6, 7}, {7, 8}, {5, 9}, {9, 10}, {10, 11},
    {11, 12}, {9, 13}, {13, 14}, {14, 15}, {15, 16}, {13, 17}, {0, 17}, {17, 18}, {18, 19}, {19, 20},
}};

inline constexpr int kIndexFingertip = 8;

// A usable hand at most 299 ms old; an older one would trail behind the picture.
bool skeletonShown(const ControlOutput& snapshot, std::int64_t ageMs);

// The white ring on the index fingertip marks any landmarks the tracker has, usable or not.
bool fingertipRingShown(const ControlOutput& snapshot);

}  // namespace vel
