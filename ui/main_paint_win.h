// Painting the main window and its owner-drawn buttons (GDI).
#pragma once

#include <windows.h>

#include "ui/main_window_win.h"

namespace vel {

// WM_PAINT: everything is drawn off-screen in 96-DPI units and copied in one BitBlt.
void paintMainWindow(WindowsApp& app);

// WM_DRAWITEM for the owner-drawn push buttons.
void drawOwnerButton(WindowsApp& app, const DRAWITEMSTRUCT& item);

}  // namespace vel
