#include "app/program_body.h"

#include <windows.h>

#include "app/captions.h"
#include "app/command_line.h"
#include "app/program_modules.h"
#include "app/schema.h"
#include "elements/window/main_form.h"
#include "runtime/event.h"
#include "runtime/init_list.h"
#include "toolkit/run_loop.h"
#include "toolkit/wide_text.h"

// An error that ends the program while the schema is being built leaves the
// elements made so far; they are destroyed on the way out. A finished schema
// belongs to the body, which destroys it after the run.
void DestroyUnfinishedSchema() {
  if (SchemaInstance && !SchemaInstance->Finished) SchemaInstance->DestroyElements();
}

namespace {

// Only the first parameter is looked at, byte for byte. Its text is released
// before anything else can happen.
bool CreditSwitchGiven() { return CommandLineParam(1) == kCreditSwitch; }

}  // namespace

void PrepareStart(TWDMainForm& form) {
  if (AppWindow) AppWindow->SetVisible(form.Visible != 0);
  EnableDispatch();
  RunInitList();
}

void ProgramBody() {
  if (CreditSwitchGiven()) {
    // The wide box: the ANSI one would read the Windows-1251 text in the
    // system's code page.
    MessageBoxW(nullptr, TWideText(kCreditText).Get(), TWideText(kCreditCaption).Get(), MB_OK);
    return;
  }
  SchemaInstance = new TClassMainForm_E47830();
  PrepareStart(*SchemaInstance->MainForm);
  RunApplication(AppWindow);
  TClassMainForm_E47830* schema = SchemaInstance;
  SchemaInstance = nullptr;
  delete schema;
}
