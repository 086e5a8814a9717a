#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/text.h"
#include "toolkit/control.h"

// A form's position and size as its control reports them.
struct TFormGeometry {
  std::int32_t Left;
  std::int32_t Top;
  std::int32_t Width;
  std::int32_t Height;
};

// Where a form keeps its geometry between runs is named by its SavePosition
// text: "name.ini\Section" for a profile file in the program's directory, any
// other non-empty text for a key under HKEY_CURRENT_USER\Software.
using TPositionStoreProc = void (*)(TControl* form, std::string_view savePosition, bool save);
TPositionStoreProc ChoosePositionStore(std::string_view savePosition);
void NoPositionStore(TControl* form, std::string_view savePosition, bool save);
void IniPositionStore(TControl* form, std::string_view savePosition, bool save);
void RegistryPositionStore(TControl* form, std::string_view savePosition, bool save);

// The directory of the program file, its last backslash kept.
TText ProgramDirectory();

TFormGeometry CurrentGeometry(TControl* form);
// Applies a loaded geometry through the form's setters, in the order the store
// read them, unless it would put the window wholly beyond every monitor's work
// area (a monitor since removed, a value edited by hand): such a window could
// never be reached, so it keeps the place it has.
void ApplyLoadedGeometry(TControl* form, const TFormGeometry& loaded, bool heightBeforeWidth);
