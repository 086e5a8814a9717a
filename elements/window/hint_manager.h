#pragma once

#include <windows.h>

#include <cstdint>

#include "elements/window/font_rec.h"
#include "elements/window/hint_operations.h"

// Shows window elements' hint texts as tooltips: one tooltip window of the
// system class per element that registers a hint, with this manager's font,
// colours, delays and margin, destroyed when the element goes.
class TWDHintManager {
 public:
  // Builds the operation table; the settings are zero until SetDefaults.
  TWDHintManager();
  TWDHintManager(const TWDHintManager&) = delete;
  TWDHintManager& operator=(const TWDHintManager&) = delete;

  // The settings every manager starts with.
  void SetDefaults();

  THintOperations Operations;
  std::uint8_t HintStyle = 0;  // 0 balloon tooltips, anything else rectangular
  std::uint32_t HintColor = 0;
  std::int32_t HintDelay = 0;  // ms before a tooltip shows
  std::int32_t HintPause = 0;  // ms a tooltip stays
  std::int32_t HintMargin = 0;
  std::uint8_t HintTracking = 0;  // tooltips follow the mouse
  TFontRec HintFont;

  THintTool* Add(HWND window);
  void Remove(THintTool* tool);
  void SetText(THintTool* tool, const char* text);
  void SetTitle(THintTool* tool, int icon, const char* title);
  void TrackOn(THintTool* tool);
  void TrackOff(THintTool* tool);
  void TrackPos(THintTool* tool, int x, int y);
};

// A manager with the default settings, on the zero-filled heap; never freed.
TWDHintManager* NewHintManager();
