#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/shell_state.h"
#include "elements/window/main_form.h"
#include "runtime/init_list.h"
#include "tests/elements/window/element_fixture.h"
#include "toolkit/str_list.h"

// The stores of the tests: pos.ini beside the test program and the keys
// Software\Example\Window and Software\pos.INI\Main of the test world.
inline constexpr char kExampleKey[] = "Software\\Example\\Window";

inline std::string BesideTheExecutable(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path);
  return dir.substr(0, dir.rfind('\\') + 1) + name;
}

inline std::string IniText(const char* section, const char* key) {
  char text[32] = {};
  GetPrivateProfileStringA(section, key, "<missing>", text, sizeof text,
                           BesideTheExecutable("pos.ini").c_str());
  return text;
}

inline void WriteIni(const char* section, const char* key, const char* value) {
  WritePrivateProfileStringA(section, key, value, BesideTheExecutable("pos.ini").c_str());
}

inline void WriteReg(const char* key, const char* name, DWORD type, std::int32_t value) {
  HKEY handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(handle);
}

// The value as text when it is a REG_DWORD, else "<type N>".
inline std::string RegDword(const char* name) {
  DWORD value = 0, size = sizeof value, type = REG_NONE;
  RegGetValueA(HKEY_CURRENT_USER, kExampleKey, name, RRF_RT_ANY, &type, &value, &size);
  if (type != REG_DWORD) return "<type " + std::to_string(type) + ">";
  return std::to_string(static_cast<std::int32_t>(value));
}

inline void ForgetStores() {
  DeleteFileA(BesideTheExecutable("pos.ini").c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kExampleKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\pos.INI\\Main");
}

// Main forms as the schema makes them: no application window beforehand, the
// process-wide form list and inner message present, dispatch on.
class FormTest : public ElementTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    FreeInitList();
    EnableDispatch();
    if (!FormWindowList) FormWindowList = NewStrListEx();
    InnerMessageId = RegisterWindowMessageA("inner message");
    ForgetStores();
  }
  void TearDown() override {
    ForgetStores();
    ElementTest::TearDown();
  }

  // The schema's values, 119 x 209 centred; `adjust` may change any before Init.
  template <class Adjust>
  std::unique_ptr<TWDMainForm> MakeForm(Adjust adjust) {
    auto form = std::make_unique<TWDMainForm>(nullptr);
    form->Width = 119;
    form->Height = 209;
    form->Color = 0xFF00000F;
    form->Ctl3D = 1;
    form->SetCaption("Form");
    form->SetBorderStyle(4);
    form->Position = MakeMethod<&TWDMainForm::PlaceAtScreenCentre>(form.get());
    adjust(*form);
    form->Init();
    return form;
  }
  std::unique_ptr<TWDMainForm> MakeForm() {
    return MakeForm([](TWDMainForm&) {});
  }

  static int CentredLeft(int width) { return (GetSystemMetrics(SM_CXSCREEN) - width) / 2; }
  static int CentredTop(int height) { return (GetSystemMetrics(SM_CYSCREEN) - height) / 2; }
};
