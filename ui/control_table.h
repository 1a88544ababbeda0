// The main window's twenty child controls: ids, kinds, texts, pages and 96-DPI rectangles. One
// table drives creation (in tab order), visibility and re-layout.
#pragma once

#include <array>
#include <cstdint>

namespace vel {

// Control ids.
inline constexpr int kIdCheckCamera = 100;
inline constexpr int kIdStart = 101;
inline constexpr int kIdPractice = 102;
inline constexpr int kIdSettings = 104;
inline constexpr int kIdCamera = 110;
inline constexpr int kIdDisplay = 111;
inline constexpr int kIdMirror = 112;
inline constexpr int kIdCursorFeel = 115;
inline constexpr int kIdSetArea = 116;
inline constexpr int kIdClickWait = 117;
inline constexpr int kIdAction = 120;
inline constexpr int kIdOption1 = 121;  // 122 and 123 follow
inline constexpr int kIdTurnOff = 124;
inline constexpr int kIdRestoreDefaults = 125;
inline constexpr int kIdDistance = 126;
inline constexpr int kIdGeneralTab = 127;
inline constexpr int kIdGesturesTab = 128;
inline constexpr int kIdReference = 129;
// Tray menu commands.
inline constexpr int kIdTrayOpen = 200;
inline constexpr int kIdTrayPause = 201;
inline constexpr int kIdTrayStopCamera = 202;
inline constexpr int kIdTrayExit = 203;

inline constexpr int kOptionCardCount = 3;
inline bool isOptionCard(int id) { return id >= kIdOption1 && id < kIdOption1 + kOptionCardCount; }

// Pages; a row on kEveryPage shows on all three.
inline constexpr int kPageHome = 0;
inline constexpr int kPageGeneral = 1;
inline constexpr int kPageGestures = 2;
inline constexpr int kEveryPage = 3;

enum class ControlKind : std::uint8_t {
  Button,          // owner-drawn push button
  DropList,        // drop-down list
  ScrollDropList,  // drop-down list with a vertical scroll bar
  CheckBox,        // automatic check box
};

struct ControlRow {
  int id;
  ControlKind kind;
  const wchar_t* text;
  int page;
  int x, y, width, height;  // 96-DPI client units; a list's height includes its drop-down
};

inline bool isDropList(const ControlRow& row) {
  return row.kind == ControlKind::DropList || row.kind == ControlKind::ScrollDropList;
}

inline constexpr std::array<ControlRow, 20> kControls{{
    {kIdStart, ControlKind::Button, L"Start control", kPageHome, 24, 416, 368, 46},
    {kIdPractice, ControlKind::Button, L"Practice", kPageHome, 408, 416, 368, 46},
    {kIdSettings, ControlKind::Button, L"Settings", kEveryPage, 648, 28, 128, 38},
    {kIdGeneralTab, ControlKind::Button, L"General", kEveryPage, 24, 96, 128, 38},
    {kIdGesturesTab, ControlKind::Button, L"Gestures", kEveryPage, 160, 96, 128, 38},
    {kIdAction, ControlKind::ScrollDropList, L"Action", kPageGestures, 48, 202, 456, 280},
    {kIdTurnOff, ControlKind::Button, L"Turn off", kPageGestures, 600, 196, 152, 38},
    {kIdOption1, ControlKind::Button, L"Gesture option 1", kPageGestures, 48, 290, 224, 224},
    {kIdOption1 + 1, ControlKind::Button, L"Gesture option 2", kPageGestures, 288, 290, 224, 224},
    {kIdOption1 + 2, ControlKind::Button, L"Gesture option 3", kPageGestures, 528, 290, 224, 224},
    {kIdRestoreDefaults, ControlKind::Button, L"Restore defaults", kPageGestures, 568, 608, 184, 36},
    {kIdCheckCamera, ControlKind::Button, L"Check camera", kEveryPage, 480, 28, 152, 38},
    {kIdCursorFeel, ControlKind::DropList, L"Cursor feel", kPageGeneral, 48, 245, 324, 180},
    {kIdClickWait, ControlKind::DropList, L"Pause before click", kPageGeneral, 48, 373, 324, 150},
    {kIdDistance, ControlKind::DropList, L"Distance", kPageGeneral, 48, 501, 324, 120},
    {kIdSetArea, ControlKind::Button, L"Set movement area", kPageGeneral, 48, 587, 260, 38},
    {kIdDisplay, ControlKind::ScrollDropList, L"Display", kPageGeneral, 412, 245, 340, 200},
    {kIdCamera, ControlKind::ScrollDropList, L"Camera", kPageGeneral, 412, 373, 340, 200},
    {kIdMirror, ControlKind::CheckBox, L"Mirror movement", kPageGeneral, 412, 427, 340, 26},
    {kIdReference, ControlKind::CheckBox, L"Show live gesture reference", kPageGeneral, 412, 501, 340, 26},
}};

// The DPI the window's layout is scaled by: the window's own, lowered until the 96-DPI client
// area fits the monitor's work area, never below 72.
int effectiveDpi(int workWidth, int workHeight, int windowDpi);

}  // namespace vel
