// The main window's painting: the header, the home page with its live preview, status and gesture
// tiles, the settings pages' card and texts, and the owner-drawn buttons and option cards. Each
// paint copies what it needs under the locks first and draws from the copy.
#include "ui/main_paint_win.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include "camera/guide_draw.h"
#include "control/poses.h"
#include "ui/feedback_draw.h"
#include "ui/gdi_draw.h"
#include "ui/gesture_tiles.h"
#include "ui/hand_skeleton.h"
#include "ui/main_window_win.h"
#include "ui/option_card.h"
#include "ui/palette.h"
#include "ui/practice_scene.h"
#include "ui/preview_geometry.h"

namespace vel {
namespace {

constexpr UINT kLine = DT_SINGLELINE | DT_VCENTER;
constexpr UINT kCentredLine = DT_CENTER | DT_SINGLELINE | DT_VCENTER;
constexpr int kSemibold = 600;
constexpr int kAdjustmentCircleRadius = 22;

int scaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

IntPoint rounded(Point point) {
  return {static_cast<int>(std::lround(point.x)), static_cast<int>(std::lround(point.y))};
}

Box boxAround(IntPoint centre, int half) {
  return {centre.x - half, centre.y - half, centre.x + half, centre.y + half};
}

// One lock at a time: the snapshot lock, then the practice engine's, the order every thread keeps.
void copyForPaint(WindowsApp& app, PaintCopy& copy) {
  AppState& state = app.state;
  PaintFacts& facts = copy.facts;
  copy.now = static_cast<std::int64_t>(GetTickCount64());
  facts.cameraRunning = state.camera->running();
  facts.gateEnabled = state.gate.enabled();
  facts.mousePriority = state.gate.mousePriorityActive();
  facts.startPending = state.startRequest != StartRequest::None;
  facts.trackerReady = state.flags.trackerReady;
  facts.safetyReady = state.safety.hotkey && state.safety.hook;
  facts.practiceActive = state.practiceActive;
  facts.cameraError = state.camera->lastError();
  {
    std::lock_guard lock(state.shared.lock);
    facts.snapshot = state.shared.output;
    copy.frame = state.shared.frame;
    copy.settings = state.shared.settings;
    facts.appError = state.shared.appError;
    if (copy.now < state.shared.noticeUntil) {
      facts.notice = state.shared.notice;
    } else {
      facts.notice.clear();
    }
  }
  facts.frameArrived = copy.frame != nullptr;
  facts.previewEnabled = copy.settings.Preview;
  facts.adjustmentId = copy.settings.adjustmentId;
  facts.snapshotAgeMs = copy.now - facts.snapshot.timeMs;
  if (facts.practiceActive) {
    facts.practice = state.practice.practiceForPaint(copy.now);
    facts.practicePrompt = practicePromptFor(facts.practice, copy.now);
  }
}

// Drawn in device pixels: a mirrored picture starts at the rectangle's rightmost pixel with a
// negative width, which under the scaling world transform would land a fraction of a pixel off.
void drawCameraImage(HDC dc, const Frame& frame, const PreviewRect& preview, bool mirror) {
  POINT corners[2] = {{preview.left, preview.top}, {preview.left + preview.width, preview.top + preview.height}};
  LPtoDP(dc, corners, 2);
  const int width = corners[1].x - corners[0].x;
  XFORM units{};
  GetWorldTransform(dc, &units);
  ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), frame.width, -frame.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, mirror ? corners[1].x - 1 : corners[0].x, corners[0].y, mirror ? -width : width,
                corners[1].y - corners[0].y, 0, 0, frame.width, frame.height, frame.pixels.data(), &info,
                DIB_RGB_COLORS, SRCCOPY);
  SetWorldTransform(dc, &units);
}

// The movement area is where the pointer reaches, which the picture's mirroring does not change.
Box movementAreaBox(const PreviewRect& preview, const ReachRect& area) {
  const auto x = [&](float fraction) {
    return preview.left + static_cast<int>(fraction * static_cast<float>(preview.width));
  };
  const auto y = [&](float fraction) {
    return preview.top + static_cast<int>(fraction * static_cast<float>(preview.height));
  };
  return {x(area.left), y(area.top), x(area.right), y(area.bottom)};
}

void drawHand(HDC dc, const HandLandmarks& landmarks, const PreviewRect& preview, bool mirror, bool skeleton) {
  std::array<IntPoint, kLandmarkCount> joints;
  for (std::size_t i = 0; i < joints.size(); ++i) joints[i] = rounded(frameToPreview(preview, landmarks[i], mirror));
  if (skeleton) {
    std::array<IntPoint, kHandBones.size() * 2> ends;
    for (std::size_t i = 0; i < kHandBones.size(); ++i) {
      ends[2 * i] = joints[static_cast<std::size_t>(kHandBones[i].first)];
      ends[2 * i + 1] = joints[static_cast<std::size_t>(kHandBones[i].second)];
    }
    strokeSegments(dc, ends, 2, kSkeleton);
    std::array<Box, kLandmarkCount> dots;
    for (std::size_t i = 0; i < dots.size(); ++i) dots[i] = boxAround(joints[i], 3);
    fillRoundBoxes(dc, dots, 6, kJoints);
  }
  const IntPoint tip = joints[kIndexFingertip];
  strokeCircle(dc, tip.x, tip.y, 10, 2, kWhite);
}

void drawPractice(HDC dc, AppState& state, const PaintCopy& copy, const PreviewRect& preview, const ReachRect& area) {
  const PracticeScene scene = practiceScene(copy.facts.practice, preview, area, copy.now);
  const CircleDrawing held = advanceCircle(state.previewCircle, scene.hold, copy.now);
  for (int i = 0; i < scene.circleCount; ++i) {
    const SceneCircle& circle = scene.circles[static_cast<std::size_t>(i)];
    drawFillingCircle(dc, circle.centre.x, circle.centre.y, circle.radius, circle.animated ? held : circle.drawing);
  }
  if (scene.mark) {
    drawLabel(dc, scene.mark, boxAround(scene.markCentre, 60), scene.markHeight, FW_BOLD, kAccent,
              kCentredLine | DT_NOCLIP);
  }
}

// The picture and everything drawn over it, clipped to the picture's rectangle.
void paintPreview(HDC dc, AppState& state, const PaintCopy& copy) {
  const Frame& frame = *copy.frame;
  const Settings& settings = copy.settings;
  const ControlOutput& snapshot = copy.facts.snapshot;
  const PreviewRect preview = previewRect(frame.width, frame.height);
  const ReachRect area = effectiveMovementArea(settings, frame.width, frame.height);
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, preview.left, preview.top, preview.left + preview.width, preview.top + preview.height);
  if (settings.Preview) drawCameraImage(dc, frame, preview, settings.Mirror);
  if (settings.adjustmentId == 0) strokeDottedBox(dc, movementAreaBox(preview, area), kMovementArea);
  if (fingertipRingShown(snapshot)) {
    drawHand(dc, *snapshot.landmarks, preview, settings.Mirror, skeletonShown(snapshot, copy.facts.snapshotAgeMs));
  }
  if (snapshot.adjustment.runId == 0) {
    if (snapshot.pointerActive) {
      const IntPoint pointer = rounded(areaToPreview(preview, area, snapshot.pointer));
      strokeCircle(dc, pointer.x, pointer.y, 5, 2, kSkeleton);
    }
  } else if (snapshot.landmarks) {
    const IntPoint tip = rounded(frameToPreview(preview, (*snapshot.landmarks)[kIndexFingertip], settings.Mirror));
    const CircleDrawing drawing = advanceCircle(state.previewCircle, {snapshot.adjustment.progress, false}, copy.now);
    drawFillingCircle(dc, tip.x, tip.y, kAdjustmentCircleRadius, drawing);
  }
  if (copy.facts.practiceActive) drawPractice(dc, state, copy, preview, area);
  RestoreDC(dc, saved);
}

void paintHome(HDC dc, AppState& state, const PaintCopy& copy, TileCardCache& tiles) {
  const PaintFacts& facts = copy.facts;
  const bool running = facts.cameraRunning;
  drawLabel(dc, statusPillText(facts), {190, 40, 468, 64}, 13, FW_NORMAL, facts.gateEnabled ? kAccent : kMuted,
            kLine | DT_END_ELLIPSIS);
  fillRoundBox(dc, {24, 92, 776, 402}, 22, running ? kInk : kWhite);
  if (running) fillRoundBox(dc, {44, 108, 756, 352}, 10, kPreviewWell);
  if (copy.frame && copy.frame->wellFormed()) paintPreview(dc, state, copy);

  const PreviewTexts texts = previewTexts(facts);
  if (texts.title) {
    drawLabel(dc, texts.title, {74, 196, 726, 236}, 27, kSemibold, running ? kWhite : kInk, kCentredLine);
    drawLabel(dc, texts.hint, {74, 247, 726, 277}, 15, FW_NORMAL, running ? kWhite : kMuted, kCentredLine);
  }
  drawLabel(dc, statusLineText(facts), {44, 363, 756, 397}, 13, kSemibold, running ? kStatusOnDark : kMuted,
            DT_CENTER | DT_WORDBREAK);

  drawLabel(dc, gesturesHeader(facts), {24, 477, 776, 509}, 20, kSemibold, kInk, kLine);
  const int highlight = facts.practiceActive ? practiceHighlightPose(facts.practice, copy.settings.gestures) : 0;
  tiles.draw(dc, state.guideImages, copy.settings.gestures, 24, 518, 752, highlight, facts.practiceActive);
  drawLabel(dc, L"Ctrl + Alt + Space pauses", {400, 703, 776, 720}, 11, FW_NORMAL, kMuted, DT_RIGHT | kLine);
}

void drawHelp(HDC dc, std::wstring_view text, const Box& box) {
  drawLabel(dc, text, box, 13, FW_NORMAL, kMuted, DT_WORDBREAK);
}

void paintSettingsPage(HDC dc, const AppState& state, const PaintCopy& copy) {
  const Settings& settings = copy.settings;
  fillRoundBox(dc, {24, 150, 776, 664}, 22, kWhite);
  for (const ControlRow& row : kControls) {
    if (isDropList(row) && row.page == state.page) {
      drawLabel(dc, row.text, {row.x, row.y - 26, row.x + row.width, row.y - 4}, 14, kSemibold, kInk, kLine);
    }
  }
  if (state.page == kPageGeneral) {
    drawLabel(dc, L"Pointer", {48, 174, 372, 202}, 18, kSemibold, kInk, kLine);
    drawLabel(dc, L"Camera and screen", {412, 174, 752, 202}, 18, kSemibold, kInk, kLine);
    const auto feel = static_cast<std::size_t>(std::clamp(settings.PointerFeel, 0, 2));
    drawHelp(dc, kPointerFeelOptions[feel].description, {48, 283, 372, 331});
    drawHelp(dc, L"How long to hold still before a click.", {48, 411, 372, 459});
    drawHelp(dc,
             settings.DistanceMode == 1 ? L"Keeps the same movement area."
                                        : L"Adapts while you rest. Stays steady while you point.",
             {48, 539, 372, 583});
    drawHelp(dc, L"Over other apps. Fades near your pointer.", {412, 539, 752, 583});
  } else {
    drawLabel(dc, L"Choose a picture for this action.", {48, 253, 752, 277}, 15, FW_NORMAL, kInk, kLine);
    drawLabel(dc, actionInfo(state.selectedAction).description, {48, 534, 752, 576}, 14, FW_NORMAL, kMuted,
              DT_WORDBREAK);
  }
  if (!copy.facts.notice.empty()) {
    drawLabel(dc, copy.facts.notice, {48, 577, 752, 603}, 12, FW_NORMAL, kAccent, DT_WORDBREAK);
  }
}

void paintHeader(HDC dc, int page, const PaintCopy& copy) {
  drawLabel(dc, page == kPageHome ? L"Velmora" : L"Settings", {24, 23, 184, 71}, 32, FW_BOLD, kInk, DT_WORDBREAK);
  // The home page tells of an error in its status line; the settings pages, which have none, here.
  const std::wstring_view error = headerError(copy.facts);
  if (page != kPageHome && !error.empty()) {
    drawLabel(dc, error, {24, 70, 776, 92}, 13, kSemibold, kStop, kLine | DT_END_ELLIPSIS);
  }
}

}  // namespace

TileCardCache::~TileCardCache() {
  if (bitmap_) DeleteObject(bitmap_);
}

void TileCardCache::draw(HDC dc, const GuideImageSet& images, const Gestures& assignments, int x, int y, int width,
                         int highlightPose, bool practice) {
  POINT corners[2] = {{x, y}, {x + width, y + kTileCardHeight}};
  LPtoDP(dc, corners, 2);
  XFORM units{};
  GetWorldTransform(dc, &units);
  const Key key{assignments, highlightPose, practice, units.eM11, corners[1].x - corners[0].x,
                corners[1].y - corners[0].y};
  const HDC memory = CreateCompatibleDC(dc);
  if (!bitmap_ || !(key == key_)) {
    if (bitmap_) DeleteObject(bitmap_);
    bitmap_ = CreateCompatibleBitmap(dc, key.width, key.height);
    const HGDIOBJ old = SelectObject(memory, bitmap_);
    fillBox(memory, {0, 0, key.width, key.height}, kBackground);
    // The same transform, moved so that the card's corner lands on the bitmap's.
    SetGraphicsMode(memory, GM_ADVANCED);
    const XFORM shifted{units.eM11, 0.0f, 0.0f, units.eM22, units.eDx - static_cast<float>(corners[0].x),
                        units.eDy - static_cast<float>(corners[0].y)};
    SetWorldTransform(memory, &shifted);
    drawGestureTiles(memory, images, assignments, x, y, width, highlightPose, practice);
    ModifyWorldTransform(memory, nullptr, MWT_IDENTITY);
    SelectObject(memory, old);
    key_ = key;
  }
  const HGDIOBJ old = SelectObject(memory, bitmap_);
  ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  BitBlt(dc, corners[0].x, corners[0].y, key.width, key.height, memory, 0, 0, SRCCOPY);
  SetWorldTransform(dc, &units);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void paintMainWindow(WindowsApp& app) {
  PaintCopy& copy = app.paintCache.copy;
  copyForPaint(app, copy);
  const PaintBuffer buffer(app.window);
  const HDC dc = buffer.dc();
  fillBox(dc, {0, 0, buffer.width(), buffer.height()}, kBackground);
  SetGraphicsMode(dc, GM_ADVANCED);
  const float scale = static_cast<float>(app.dpi) / 96.0f;
  const XFORM transform{scale, 0.0f, 0.0f, scale, 0.0f, 0.0f};
  SetWorldTransform(dc, &transform);
  paintHeader(dc, app.state.page, copy);
  if (app.state.page == kPageHome) {
    paintHome(dc, app.state, copy, app.paintCache.tiles);
  } else {
    paintSettingsPage(dc, app.state, copy);
  }
}

void drawOwnerButton(WindowsApp& app, const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return;
  const HDC dc = item.hDC;
  const Box box{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
  const auto id = static_cast<int>(item.CtlID);
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  const bool selectedTab = (id == kIdGeneralTab && app.state.page == kPageGeneral) ||
                           (id == kIdGesturesTab && app.state.page == kPageGestures);
  // A settings page's own buttons sit on its white card: their corners take the card's white, and
  // the button the background's tone, or it would not show.
  const auto row = std::find_if(kControls.begin(), kControls.end(), [&](const ControlRow& r) { return r.id == id; });
  const bool onCard = row != kControls.end() && (row->page == kPageGeneral || row->page == kPageGestures);
  Rgb fill = disabled ? kDisabled : onCard ? kBackground : kWhite;
  if (selectedTab) {
    fill = kAccent;
  } else if (id == kIdStart && !disabled) {
    fill = app.state.gate.enabled() || app.state.startRequest != StartRequest::None ? kStop : kAccent;
  }
  fillBox(dc, box, onCard ? kWhite : kBackground);
  fillRoundBox(dc, box, scaled(12, app.dpi), fill);

  std::array<wchar_t, 81> text{};
  GetWindowTextW(item.hwndItem, text.data(), static_cast<int>(text.size()));
  const Rgb ink = disabled ? kMuted : (id == kIdStart || selectedTab) ? kWhite : kInk;
  drawLabel(dc, text.data(), box, scaled(14, app.dpi), kSemibold, ink, kCentredLine);
  if ((item.itemState & ODS_FOCUS) != 0) {
    const RECT focus = toRect(box.inset(5));
    DrawFocusRect(dc, &focus);
  }
}

void drawOptionCard(WindowsApp& app, const DRAWITEMSTRUCT& item) {
  Gestures assignments{};
  {
    std::lock_guard lock(app.state.shared.lock);
    assignments = app.state.shared.settings.gestures;
  }
  const OptionCardText card =
      optionCardText(assignments, app.state.selectedAction, static_cast<int>(item.CtlID) - kIdOption1);
  const HDC dc = item.hDC;
  const int dpi = app.dpi;
  const Box box{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
  // Card-relative 96-DPI positions in pixels; the text lines span the card less 8 units a side.
  const auto part = [&](int x, int y, int width, int height) {
    const int left = box.left + scaled(x, dpi);
    const int top = box.top + scaled(y, dpi);
    return Box{left, top, left + width, top + scaled(height, dpi)};
  };
  const int lineWidth = box.width() - scaled(16, dpi);
  fillBox(dc, box, kWhite);  // the page's card around the rounded corners
  fillRoundBox(dc, box, scaled(14, dpi), card.selected ? kAccent : kWhite);
  fillRoundBox(dc, box.inset(scaled(2, dpi)), scaled(12, dpi), kWhite);
  if (card.pose != kPoseNone) {
    const PoseInfo& pose = kPoses[static_cast<std::size_t>(card.pose)];
    const Box picture = part(20, 12, scaled(184, dpi), 146);
    drawGuideCell(app.state.guideImages, dc, {static_cast<std::size_t>(pose.sheet), pose.cell}, picture.left,
                  picture.top, picture.width(), picture.height());
    drawLabel(dc, pose.name, part(8, 166, lineWidth, 24), scaled(15, dpi), kSemibold, kInk, kCentredLine);
    drawLabel(dc, card.line, part(8, 195, lineWidth, 26), scaled(12, dpi), FW_NORMAL,
              card.selected ? kAccent : kMuted, DT_CENTER | DT_WORDBREAK);
  }
  if ((item.itemState & ODS_FOCUS) != 0) {
    const RECT focus = toRect(box.inset(scaled(5, dpi)));
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace vel
