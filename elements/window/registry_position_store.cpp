#include <windows.h>

#include "elements/window/position_store.h"

namespace {

constexpr std::string_view kKeyRoot = "Software\\";

// The key closes on every path out of the store.
class TRegKey {
 public:
  TRegKey() = default;
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  ~TRegKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

void SaveValue(HKEY key, const char* name, std::int32_t value) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The value's registry type is not looked at: whatever four bytes it holds are taken.
void LoadValue(HKEY key, const char* name, std::int32_t& value) {
  std::int32_t stored = 0;
  DWORD size = sizeof stored;
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size) ==
      ERROR_SUCCESS) {
    value = stored;
  }
}

}  // namespace

// "Example\Window": the key HKEY_CURRENT_USER\Software\Example\Window.
void RegistryPositionStore(TControl* form, std::string_view savePosition, bool save) {
  const TText path = Concat(kKeyRoot, savePosition);
  TRegKey key;
  TFormGeometry g = CurrentGeometry(form);
  if (save) {
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.CStr(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.Out(), &disposition) != ERROR_SUCCESS) {
      return;
    }
    SaveValue(key.Get(), "Left", g.Left);
    SaveValue(key.Get(), "Top", g.Top);
    SaveValue(key.Get(), "Height", g.Height);
    SaveValue(key.Get(), "Width", g.Width);
    return;
  }
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.CStr(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
    return;
  LoadValue(key.Get(), "Left", g.Left);
  LoadValue(key.Get(), "Top", g.Top);
  LoadValue(key.Get(), "Height", g.Height);
  LoadValue(key.Get(), "Width", g.Width);
  ApplyLoadedGeometry(form, g, true);
}
