// A program on the process frame with a form and two button elements, built
// as the shipped program is: it shows its window, closes it at once through
// the real run loop and leaves. Its size is what the window elements cost on
// top of the frame and the toolkit.
#include <windows.h>

#include "app/process_frame.h"
#include "app/program_modules.h"
#include "elements/window/win.h"
#include "runtime/event.h"
#include "toolkit/run_loop.h"

namespace {

TWDWin* NewElement(TControl* parent, TControl* control, int left) {
  TWDWin* element = new TWDWin(parent);
  element->Control = control;
  element->Left = left;
  element->Top = 8;
  element->Width = 40;
  element->Height = 22;
  element->Font = MakeFontRec("MS Sans Serif", 8, 0, 0xFF000012, DEFAULT_CHARSET);
  element->Init();
  element->AttachHint(nullptr);
  element->AttachProvider(nullptr);
  return element;
}

void Body() {
  AppWindow = NewApplet("Helper");
  TControl* form = NewForm(AppWindow, "Form");
  TWDWin* elements[3] = {NewElement(nullptr, form, 100), nullptr, nullptr};
  elements[1] = NewElement(form, NewButton(form, "On"), 8);
  elements[2] = NewElement(form, NewCheckBox(form, "RTS"), 56);
  EnableDispatch();
  PostMessageA(form->GetWindowHandle(), WM_CLOSE, 0, 0);
  RunApplication(AppWindow);
  for (int i = 2; i >= 0; --i) delete elements[i];
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static TModuleTable modules(ProgramModuleSteps);
  RunProcess(modules, &Body);
}
