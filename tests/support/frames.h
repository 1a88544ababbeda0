// The first frame of a photo in the shared test data, e.g. "hands.jpg" or "poses/one.png".
#pragma once

#include <string>

#include "camera/image_file.h"
#include "tests/support/paths.h"

namespace vel::test {

inline Frame photo(const std::string& name) { return decodeImageFile(testDataDir() / name).front(); }

}  // namespace vel::test
