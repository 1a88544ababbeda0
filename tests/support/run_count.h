// How many random cases a fuzz or property test runs: a modest count in `make test`, the
// thorough count when the environment has VEL_CHECK=1 (as `make check` sets it).
#pragma once

#include <cstdlib>
#include <string>

namespace vel::test {

inline int runCount(int normal, int thorough) {
  const char* check = std::getenv("VEL_CHECK");
  return check && std::string(check) == "1" ? thorough : normal;
}

}  // namespace vel::test
