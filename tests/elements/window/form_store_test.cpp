#include <windows.h>

#include <string>

#include "elements/window/position_store.h"
#include "tests/toolkit/window_fixture.h"

namespace {

constexpr char kKey[] = "Software\\Example\\Window";

std::string BesideTheExecutable(const char* name) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path);
  return dir.substr(0, dir.rfind('\\') + 1) + name;
}

std::string IniText(const std::string& file, const char* section, const char* key) {
  char text[32] = {};
  GetPrivateProfileStringA(section, key, "<missing>", text, sizeof text, file.c_str());
  return text;
}

void WriteIni(const char* section, const char* key, const char* value) {
  WritePrivateProfileStringA(section, key, value, BesideTheExecutable("pos.ini").c_str());
}

void WriteReg(const char* key, const char* name, DWORD type, std::int32_t value) {
  HKEY handle;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(handle);
}

DWORD ReadReg(const char* name, DWORD& type) {
  DWORD value = 0, size = sizeof value;
  type = REG_NONE;
  RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY, &type, &value, &size);
  return value;
}

void ForgetEverything() {
  DeleteFileA(BesideTheExecutable("pos.ini").c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\pos.INI\\Main");
}

// A live form at 100, 80, 119 x 209; nothing stored anywhere.
class FormStore : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ForgetEverything();
    BuildApp();
    form_->SetBoundsRect({100, 80, 100 + 119, 80 + 209});
    form_->GetWindowHandle();
  }
  void TearDown() override {
    ForgetEverything();
    WindowTest::TearDown();
  }
  void Run(std::string_view savePosition, bool save) {
    ChoosePositionStore(savePosition)(form_, savePosition, save);
  }
  TFormGeometry Geometry() { return CurrentGeometry(form_); }
};

void ExpectGeometry(const TFormGeometry& got, const TFormGeometry& want) {
  EXPECT_EQ(got.Left, want.Left);
  EXPECT_EQ(got.Top, want.Top);
  EXPECT_EQ(got.Width, want.Width);
  EXPECT_EQ(got.Height, want.Height);
}

TEST_F(FormStore, IniStoreWritesDecimalTextBesideTheProgramAndReadsItBack) {
  form_->SetBoundsRect({-3, 50, -3 + 140, 50 + 230});
  Run("pos.ini\\Main", true);
  const std::string file = BesideTheExecutable("pos.ini");
  ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(IniText(file, "Main", "Left"), "-3");
  EXPECT_EQ(IniText(file, "Main", "Top"), "50");
  EXPECT_EQ(IniText(file, "Main", "Width"), "140");
  EXPECT_EQ(IniText(file, "Main", "Height"), "230");
  // Saving leaves the window where it is.
  ExpectGeometry(Geometry(), {-3, 50, 140, 230});
}

TEST_F(FormStore, RegistryStoreWritesFourDwordsUnderSoftware) {
  form_->SetBoundsRect({60, 70, 60 + 150, 70 + 240});
  Run("Example\\Window", true);
  const char* names[] = {"Left", "Top", "Width", "Height"};
  const DWORD values[] = {60, 70, 150, 240};
  for (int i = 0; i < 4; ++i) {
    DWORD type;
    EXPECT_EQ(ReadReg(names[i], type), values[i]) << names[i];
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << names[i];
  }
}

struct LoadCase {
  const char* name;
  const char* savePosition;
  void (*prepare)();
  TFormGeometry expected;
};

// Stored: 150, 120, 200 x 250; the form stands at 100, 80, 119 x 209.
void IniAll() {
  WriteIni("Main", "Left", "150");
  WriteIni("Main", "Top", "120");
  WriteIni("Main", "Width", "200");
  WriteIni("Main", "Height", "250");
}
void IniWithoutTop() {
  IniAll();
  WriteIni("Main", "Top", nullptr);
}
void IniFarAway() {
  IniAll();
  WriteIni("Main", "Left", "-30000");
  WriteIni("Main", "Top", "-30000");
}
void RegAll(const char* key) {
  WriteReg(key, "Left", REG_DWORD, 150);
  WriteReg(key, "Top", REG_DWORD, 120);
  WriteReg(key, "Width", REG_DWORD, 200);
  WriteReg(key, "Height", REG_DWORD, 250);
}
void RegAllExample() { RegAll(kKey); }
void RegUpperCaseIni() { RegAll("Software\\pos.INI\\Main"); }
void RegBinaryLeftNoWidth() {
  WriteReg(kKey, "Left", REG_BINARY, 150);
  WriteReg(kKey, "Top", REG_DWORD, 120);
  WriteReg(kKey, "Height", REG_DWORD, 250);
}
void RegFarAway() {
  RegAll(kKey);
  WriteReg(kKey, "Left", REG_DWORD, 40000);
}
void Nothing() {}

TEST_F(FormStore, LoadAppliesWhatIsStoredAndLeavesWhatIsMissingOrUnreachable) {
  const LoadCase kCases[] = {
      {"ini, all four", "pos.ini\\Main", IniAll, {150, 120, 200, 250}},
      {"ini, no file", "pos.ini\\Main", Nothing, {100, 80, 119, 209}},
      {"ini, empty section", "pos.ini\\", IniAll, {100, 80, 119, 209}},
      {"ini, no Top", "pos.ini\\Main", IniWithoutTop, {150, 80, 200, 250}},
      {"ini, off every screen", "pos.ini\\Main", IniFarAway, {100, 80, 119, 209}},
      {"registry, all four", "Example\\Window", RegAllExample, {150, 120, 200, 250}},
      {"registry, no key", "Example\\Window", Nothing, {100, 80, 119, 209}},
      {"registry, any type, no Width",
       "Example\\Window",
       RegBinaryLeftNoWidth,
       {150, 120, 119, 250}},
      {"registry, off every screen", "Example\\Window", RegFarAway, {100, 80, 119, 209}},
      {"upper-case extension names a key", "pos.INI\\Main", RegUpperCaseIni, {150, 120, 200, 250}},
      {"nothing named", "", IniAll, {100, 80, 119, 209}},
  };
  for (const LoadCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ForgetEverything();
    form_->SetBoundsRect({100, 80, 100 + 119, 80 + 209});
    c.prepare();
    Run(c.savePosition, false);
    ExpectGeometry(Geometry(), c.expected);
  }
}

}  // namespace
