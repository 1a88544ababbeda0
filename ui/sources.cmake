# Sources of ui/ are added here as they appear.
list(APPEND VEL_CORE_SOURCES ui/preview_geometry.cpp ui/practice.cpp)
list(APPEND VEL_CORE_SOURCES ui/app_state.cpp ui/main_controller.cpp ui/settings_pages.cpp ui/control_table.cpp)
list(APPEND VEL_CORE_SOURCES
  ui/filling_circle.cpp
  ui/overlay_layout.cpp
  ui/gesture_tiles.cpp
  ui/hand_skeleton.cpp
  ui/status_text.cpp
  ui/option_card.cpp
  ui/practice_scene.cpp)
list(APPEND VEL_WIN_SOURCES ui/gdi_draw_win.cpp ui/feedback_draw_win.cpp ui/overlays_win.cpp)
list(APPEND VEL_WIN_SOURCES ui/main_window_win.cpp ui/main_paint_win.cpp ui/mouse_hook_win.cpp ui/tray_win.cpp
  ui/smoke_test_win.cpp)
list(APPEND VEL_WIN_LIBS user32 gdi32 comctl32 wtsapi32 shell32 psapi)
