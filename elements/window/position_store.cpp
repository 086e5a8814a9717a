#include "elements/window/position_store.h"

#include "elements/window/placement.h"

namespace {
constexpr std::string_view kIniMark = ".ini\\";
}  // namespace

void NoPositionStore(TControl*, std::string_view, bool) {}

// The extension is matched exactly as written: "pos.INI\Main" names a registry key.
TPositionStoreProc ChoosePositionStore(std::string_view savePosition) {
  if (savePosition.empty()) return NoPositionStore;
  if (savePosition.find(kIniMark) != std::string_view::npos) return IniPositionStore;
  return RegistryPositionStore;
}

TFormGeometry CurrentGeometry(TControl* form) {
  return {form->Left(), form->Top(), form->Width(), form->Height()};
}

void ApplyLoadedGeometry(TControl* form, const TFormGeometry& loaded, bool heightBeforeWidth) {
  const RECT rect{loaded.Left, loaded.Top, loaded.Left + loaded.Width, loaded.Top + loaded.Height};
  if (!LiesOnSomeWorkArea(rect)) return;
  form->SetPosition(loaded.Left, form->Top());
  form->SetPosition(form->Left(), loaded.Top);
  if (heightBeforeWidth) form->SetHeight(loaded.Height);
  form->SetWidth(loaded.Width);
  if (!heightBeforeWidth) form->SetHeight(loaded.Height);
}
