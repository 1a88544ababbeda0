# Sources of ui/ are added here as they appear.
list(APPEND VEL_CORE_SOURCES ui/preview_geometry.cpp ui/practice.cpp)
list(APPEND VEL_CORE_SOURCES
  ui/filling_circle.cpp
  ui/overlay_layout.cpp
  ui/gesture_tiles.cpp
  ui/hand_skeleton.cpp
  ui/status_text.cpp
  ui/option_card.cpp)
list(APPEND VEL_WIN_SOURCES ui/gdi_draw_win.cpp ui/feedback_draw_win.cpp ui/overlays_win.cpp)
list(APPEND VEL_WIN_LIBS user32 gdi32)
