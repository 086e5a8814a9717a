#include "elements/window/main_form.h"

#include "app/shell_state.h"
#include "elements/window/frame_style.h"
#include "elements/window/placement.h"
#include "runtime/init_list.h"
#include "toolkit/run_loop.h"
#include "toolkit/str_list.h"

namespace {
constexpr std::uint32_t kNoTaskbarButton = WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME;
}  // namespace

TWDMainForm::TWDMainForm(TControl* parent) : TWDWin(parent) {
  if (!AppWindow) {
    AppWindow = NewApplet("");
    OwnsApplication = 1;
  }
  Control = NewForm(parent ? parent : AppWindow, "Form");
  Control->SetVisible(false);
  Control->SetOnShow(MakeMethod<&TWDWin::HandleShow>(this));
  Control->Margin = 0;
  Background = NewBitmap(0, 0);
  AddInitProc(MakeInitProc<&TWDMainForm::StartUp>(*this));
}

TWDMainForm::~TWDMainForm() {
  FreeAndNil(Background);
  if (ListedWindow && FormWindowList) {
    const int at = FormWindowList->IndexOfObject(reinterpret_cast<TListValue>(ListedWindow));
    if (at >= 0) FormWindowList->Delete(at);
  }
}

void TWDMainForm::SetCaption(const TText& caption) {
  Control->SetCaption(caption.CStr());
  if (OwnsApplication) AppWindow->SetCaption(caption.CStr());
}

void TWDMainForm::SetBorderStyle(std::uint8_t value) { ApplyBorderStyle(Control, value); }

namespace {

void GiveIcon(TControl* control, HICON icon, bool shared) {
  control->Icon = icon;
  control->IconShared = shared ? 1 : 0;
  if (control->Handle) {
    SendMessageA(control->Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  }
}

}  // namespace

// Every window destroys its big icon unless it is marked shared: of the form
// and the application window, which show the same icon, only the application
// window (which outlives the form) destroys it. An icon borrowed from the
// parent or from the system is destroyed by neither.
void TWDMainForm::SetIcon(HICON icon) {
  bool borrowed = false;
  if (!icon) {
    borrowed = true;
    icon = ParentControl ? ParentControl->Icon : LoadIconA(nullptr, IDI_APPLICATION);
  }
  GiveIcon(Control, icon, borrowed || OwnsApplication);
  if (OwnsApplication) GiveIcon(AppWindow, icon, borrowed);
}

void TWDMainForm::SetTaskbarStyle(std::uint8_t value) {
  if (value == 1 && OwnsApplication) AppWindow->SetExStyle(kNoTaskbarButton);
}

void TWDMainForm::AttachFormProvider(void* provider) { FormProvider = provider; }

void TWDMainForm::PlaceAtScreenCentre() { CentreOnScreen(Control); }

void TWDMainForm::Init() {
  PositionStore = ChoosePositionStore(SavePosition.View());
  // The base would show the form: it shows itself only at start-up.
  const std::uint8_t visible = Visible;
  Visible = 0;
  TWDWin::Init();
  Visible = visible;
  ApplyAlphaBlend(Control, AlphaBlendValue);
  if (ClientSize) {
    if (Width > 0) Control->SetClientWidth(Width);
    if (Height > 0) Control->SetClientHeight(Height);
  }
  Control->Tag = reinterpret_cast<std::intptr_t>(this);
  if (Position) Position();
  if (!OwnsApplication && FormWindowList) {
    ListedWindow = Control->GetWindowHandle();
    FormWindowList->AddObject("", reinterpret_cast<TListValue>(ListedWindow));
  }
}

void TWDMainForm::StartUp() {
  FireNull(onCreate);
  Control->SetVisible(Visible != 0);
}
