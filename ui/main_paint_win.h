// Painting the main window, its owner-drawn buttons and the option cards (GDI).
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/settings.h"
#include "camera/frame.h"
#include "camera/guide_images.h"
#include "ui/status_text.h"

namespace vel {

struct WindowsApp;

// What one paint draws from, copied under the locks so that nothing is drawn while holding them.
struct PaintCopy {
  PaintFacts facts;
  Settings settings;
  FramePtr frame;  // the frame the snapshot was computed from
  std::int64_t now = 0;
};

// The home page's gesture tiles as last drawn. Scaling their illustrations with halftoning costs
// more than the rest of a paint, so a paint copies this bitmap unless what the tiles show changed.
class TileCardCache {
 public:
  TileCardCache() = default;
  ~TileCardCache();
  TileCardCache(const TileCardCache&) = delete;
  TileCardCache& operator=(const TileCardCache&) = delete;

  // As drawGestureTiles into `dc`, whose world transform only scales.
  void draw(HDC dc, const GuideImageSet& images, const Gestures& assignments, int x, int y, int width,
            int highlightPose, bool practice);

 private:
  struct Key {
    Gestures assignments{};
    int highlightPose = 0;
    bool practice = false;
    float scale = 0.0f;
    int width = 0;  // pixels
    int height = 0;

    friend bool operator==(const Key&, const Key&) = default;
  };

  HBITMAP bitmap_ = nullptr;
  Key key_;
};

// What paints keep from one to the next.
struct PaintCache {
  PaintCopy copy;  // reused, so copying reuses the texts' storage
  TileCardCache tiles;
};

// WM_PAINT: everything is drawn off-screen in 96-DPI units and copied in one BitBlt.
void paintMainWindow(WindowsApp& app);

// WM_DRAWITEM for the owner-drawn push buttons other than the option cards.
void drawOwnerButton(WindowsApp& app, const DRAWITEMSTRUCT& item);

// WM_DRAWITEM for the Gestures page's option cards: a pose of the selected action.
void drawOptionCard(WindowsApp& app, const DRAWITEMSTRUCT& item);

}  // namespace vel
