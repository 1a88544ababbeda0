// A 2-D point in floats: frame pixels or normalised coordinates, as the user says.
#pragma once

namespace vel {

struct Point {
  float x = 0.0f;
  float y = 0.0f;
};

}  // namespace vel
