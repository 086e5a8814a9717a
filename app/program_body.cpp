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

namespace {

// Set while the schema is being built: an error then ends the program, and the
// elements made so far are destroyed on the way out.
bool SchemaBuilding = false;

void DestroyHalfBuiltSchema() {
  if (!SchemaBuilding) return;
  SchemaBuilding = false;
  TClassMainForm_E47830* schema = SchemaInstance;
  SchemaInstance = nullptr;
  delete schema;
}

// Only the first parameter is looked at, byte for byte. Its text is released
// before anything else can happen.
bool CreditSwitchGiven() { return CommandLineParam(1) == kCreditSwitch; }

TClassMainForm_E47830* BuildSchema() {
  SchemaBuilding = true;
  TClassMainForm_E47830* schema = new TClassMainForm_E47830();
  SchemaBuilding = false;
  return schema;
}

}  // namespace

const TModuleStep ComswitchModuleSteps[7] = {
    ProgramModuleSteps[0],
    ProgramModuleSteps[1],
    ProgramModuleSteps[2],
    ProgramModuleSteps[3],
    ProgramModuleSteps[4],
    ProgramModuleSteps[5],
    {nullptr, &DestroyHalfBuiltSchema},
};

void PrepareStart(TWDMainForm& form) {
  if (AppWindow) AppWindow->SetVisible(form.Visible != 0);
  EnableDispatch();
  RunInitList();
}

void ProgramBody() {
  if (CreditSwitchGiven()) {
    MessageBoxA(nullptr, kCreditText, kCreditCaption, MB_OK);
    return;
  }
  SchemaInstance = BuildSchema();
  PrepareStart(*SchemaInstance->MainForm);
  RunApplication(AppWindow);
  TClassMainForm_E47830* schema = SchemaInstance;
  SchemaInstance = nullptr;
  delete schema;
}
