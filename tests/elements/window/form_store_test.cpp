#include "tests/elements/window/form_fixture.h"

namespace {

// A live form at 100, 80, 119 x 209 loads what a case stored: 150, 120, 200 x 250.
class FormStore : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    BuildApp();
    form_->GetWindowHandle();
  }
};

void IniAll() {
  WriteIni("Main", "Left", "150");
  WriteIni("Main", "Top", "120");
  WriteIni("Main", "Width", "200");
  WriteIni("Main", "Height", "250");
}
// Main's values, and others stored under the empty section name.
void IniMainAndNameless() {
  IniAll();
  for (auto [key, value] :
       {std::pair{"Left", "160"}, {"Top", "130"}, {"Width", "210"}, {"Height", "260"}}) {
    WriteIni("", key, value);
  }
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
  for (auto [name, value] : {std::pair{"Left", 150}, {"Top", 120}, {"Width", 200}, {"Height", 250}})
    WriteReg(key, name, REG_DWORD, value);
}
void RegExample() { RegAll(kExampleKey); }
void RegUpperCaseIni() { RegAll("Software\\pos.INI\\Main"); }
void RegBinaryLeftNoWidth() {
  WriteReg(kExampleKey, "Left", REG_BINARY, 150);
  WriteReg(kExampleKey, "Top", REG_DWORD, 120);
  WriteReg(kExampleKey, "Height", REG_DWORD, 250);
}
void RegFarAway() {
  RegExample();
  WriteReg(kExampleKey, "Left", REG_DWORD, 40000);
}
void Nothing() {}

TEST_F(FormStore, LoadAppliesWhatIsStoredAndLeavesWhatIsMissingOrUnreachable) {
  struct Case {
    const char* name;
    const char* savePosition;
    void (*prepare)();
    TFormGeometry expected;
  };
  const Case kCases[] = {
      {"ini, all four", "pos.ini\\Main", IniAll, {150, 120, 200, 250}},
      {"ini, no file", "pos.ini\\Main", Nothing, {100, 80, 119, 209}},
      // The empty name is the section read: what is stored under it, not Main's.
      {"ini, empty section", "pos.ini\\", IniMainAndNameless, {160, 130, 210, 260}},
      {"ini, no Top", "pos.ini\\Main", IniWithoutTop, {150, 80, 200, 250}},
      {"ini, off every screen", "pos.ini\\Main", IniFarAway, {100, 80, 119, 209}},
      {"registry, all four", "Example\\Window", RegExample, {150, 120, 200, 250}},
      {"registry, no key", "Example\\Window", Nothing, {100, 80, 119, 209}},
      {"registry, any type, no Width",
       "Example\\Window",
       RegBinaryLeftNoWidth,
       {150, 120, 119, 250}},
      {"registry, off every screen", "Example\\Window", RegFarAway, {100, 80, 119, 209}},
      {"upper-case extension names a key", "pos.INI\\Main", RegUpperCaseIni, {150, 120, 200, 250}},
      {"nothing named", "", IniAll, {100, 80, 119, 209}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    ForgetStores();
    form_->SetBoundsRect({100, 80, 100 + 119, 80 + 209});
    c.prepare();
    ChoosePositionStore(c.savePosition)(form_, c.savePosition, false);
    const TFormGeometry g = CurrentGeometry(form_);
    EXPECT_EQ(g.Left, c.expected.Left);
    EXPECT_EQ(g.Top, c.expected.Top);
    EXPECT_EQ(g.Width, c.expected.Width);
    EXPECT_EQ(g.Height, c.expected.Height);
  }
}

}  // namespace
