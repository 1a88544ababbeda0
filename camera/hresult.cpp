// HRESULT failures as runtime errors with the step that failed.
#include "camera/hresult.h"

#include <cstdio>
#include <stdexcept>

namespace vel {

void checkHr(HRESULT hr, const char* step) {
  if (SUCCEEDED(hr)) return;
  char message[256];
  std::snprintf(message, sizeof message, "%s (0x%08lx)", step, static_cast<unsigned long>(hr));
  throw std::runtime_error(message);
}

}  // namespace vel
