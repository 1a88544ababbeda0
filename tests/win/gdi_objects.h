// Counting the process's GDI objects, also under Wine.
#pragma once

#include <windows.h>

#include <vector>

namespace vel::test {

// GetGuiResources is a stub under Wine (it returns 0); there the objects in use are counted as the room
// left in the handle table, with the sign turned. No other thread may make GDI objects meanwhile.
inline long gdiObjectsInUse() {
  if (const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<long>(count);
  std::vector<HGDIOBJ> made;
  for (HGDIOBJ brush; made.size() < 200000 && (brush = CreateSolidBrush(0));) made.push_back(brush);
  for (const HGDIOBJ brush : made) DeleteObject(brush);
  return -static_cast<long>(made.size());
}

}  // namespace vel::test
