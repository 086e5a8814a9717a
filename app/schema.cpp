#include "app/schema.h"

#include <windows.h>

#include "app/captions.h"
#include "elements/serial/com_async.h"
#include "elements/window/button.h"
#include "elements/window/check_box.h"
#include "elements/window/main_form.h"
#include "runtime/do_data.h"
#include "runtime/event.h"
#include "runtime/hub.h"
#include "toolkit/window_proc.h"

TClassMainForm_E47830* SchemaInstance = nullptr;

namespace {

constexpr std::uint32_t kButtonFace = 0xFF00000F;

// What every window element of the schema is given, written out for each.
void SetCommonValues(TWDWin& element) {
  element.Align = 0;
  element.TabOrder = 0;
  element.Color = kButtonFace;
  element.Font = MakeFontRec("MS Sans Serif", 8, 0, 0, 1);
  element.ParentFont = 0;
  element.Visible = 1;
  element.Cursor = nullptr;
  element.EdgeStyle = 0;
  element.Hint = TText();
}

void SetGeometry(TWDWin& element, int left, int top, int width, int height) {
  element.Left = left;
  element.Top = top;
  element.Width = width;
  element.Height = height;
}

TWDButton* NewSchemaButton(TControl* parent, int top, std::uint8_t enabled, const char* caption) {
  TWDButton* button = new TWDButton(parent);
  SetCommonValues(*button);
  SetGeometry(*button, 5, top, 100, 25);
  button->Enabled = enabled;
  button->Ctl3D = 1;
  button->Caption = caption;
  button->Flat = 0;
  button->Default = 0;
  button->Init();
  return button;
}

TWDCheckBox* NewSchemaCheckBox(TControl* parent, int top, const char* caption) {
  TWDCheckBox* box = new TWDCheckBox(parent);
  SetCommonValues(*box);
  SetGeometry(*box, 30, top, 55, 20);
  box->Enabled = 1;
  box->Ctl3D = 0;
  box->Transparent = 0;
  box->Flat = 0;
  box->SetChecked(1);  // clear
  box->SetCaption(caption);
  box->Init();
  return box;
}

TWDDoData* NewDataSource(const char* text) {
  TWDDoData* element = new TWDDoData();
  MakeString(element->Data, text);
  return element;
}

TWDHub* NewHub(std::uint8_t inputs, std::uint16_t outputs) {
  TWDHub* hub = new TWDHub();
  hub->InCount = inputs;
  hub->SetOutCount(outputs);
  return hub;
}

// COM3 at 19200 baud, 8 data bits, no parity, one stop bit; no line event is
// watched, so no receive thread ever runs.
TWDComAsync* NewSchemaPort() {
  TWDComAsync* port = new TWDComAsync();
  port->Port = "COM3";
  port->Baud = 19200;
  port->Parity = 0;
  port->DataBits = 3;
  port->StopBits = 0;
  port->XoffChar = 19;
  port->XonChar = 17;
  port->InQueueSize = 4096;
  port->OutQueueSize = 4096;
  port->ReadIntervalTimeout = 0xFFFFFFFF;
  port->WriteTotalTimeoutConstant = 1000;
  port->WriteTotalTimeoutMultiplier = 100;
  // Every other property stays 0: characters, control modes, read time-outs and flags.
  return port;
}

}  // namespace

TClassMainForm_E47830::TClassMainForm_E47830() {
  SchemaInstance = this;
  BuildElements();
  MakeLinks();
  AttachWindowServices();
  // Keyboard focus moves between the form's controls.
  ParentForm(MainForm->Control)->TabNavigator = TabNavigate;
  Finished = true;
}

void TClassMainForm_E47830::BuildElements() {
  MainForm = new TWDMainForm(nullptr);
  SetCommonValues(*MainForm);
  SetGeometry(*MainForm, 0, 0, 119, 209);
  MainForm->Enabled = 1;
  MainForm->Ctl3D = 1;
  MainForm->AlphaBlendValue = 255;
  MainForm->SetCaption("Form");
  MainForm->SetBorderStyle(4);  // caption bar, tool-window frame, no sizing border
  MainForm->WindowState = 0;
  MainForm->SetIcon(LoadIconA(GetModuleHandleA(nullptr), "WDAP"));
  MainForm->SetTaskbarStyle(0);
  MainForm->DragForm = 0;
  MainForm->KeyPreview = 1;
  MainForm->MouseCapture = 0;
  MainForm->SavePosition = TText();
  MainForm->ClientSize = 0;
  MainForm->Position = MakeMethod<&TWDMainForm::PlaceAtScreenCentre>(MainForm);
  MainForm->Init();

  TControl* form = MainForm->Control;
  ButtonOn = NewSchemaButton(form, 5, 0, kCaptionOn);
  ButtonOff = NewSchemaButton(form, 35, 0, kCaptionOff);
  DataA = NewDataSource("A");
  DataB = NewDataSource("B");
  ButtonOpen = NewSchemaButton(form, 65, 1, "Open");
  HubSend = NewHub(2, 1);
  ComPort = NewSchemaPort();
  HubOpen = NewHub(1, 3);
  CheckRTS = NewSchemaCheckBox(form, 100, "RTS");
  CheckDTR = NewSchemaCheckBox(form, 130, "DTR");
}

void TClassMainForm_E47830::MakeLinks() {
  MakePoint<&TWDDoData::doData>(*DataA, 0, ButtonOn->onClick);
  MakePoint<&TWDDoData::doData>(*DataB, 0, ButtonOff->onClick);
  MakePoint<&TWDHub::doEvent>(*HubSend, 0, DataA->onData);
  MakePoint<&TWDHub::doEvent>(*HubSend, 1, DataB->onData);
  MakePoint<&TWDHub::doEvent>(*HubOpen, 0, ButtonOpen->onClick);
  MakePoint<&TWDComAsync::doWrite>(*ComPort, 2, HubSend->onEvent[0]);
  MakePoint<&TWDComAsync::doOpen>(*ComPort, 0, HubOpen->onEvent[0]);
  MakePoint<&TWDWin::doEnabled>(*ButtonOn, 0, HubOpen->onEvent[1]);
  MakePoint<&TWDWin::doEnabled>(*ButtonOff, 0, HubOpen->onEvent[2]);
  MakePoint<&TWDComAsync::doRTS>(*ComPort, 5, CheckRTS->onCheck);
  MakePoint<&TWDComAsync::doDTR>(*ComPort, 4, CheckDTR->onCheck);
}

// No hint manager or provider of the schema's own: every hint is empty.
void TClassMainForm_E47830::AttachWindowServices() {
  TWDWin* const windows[] = {MainForm, ButtonOn, ButtonOff, ButtonOpen, CheckRTS, CheckDTR};
  for (TWDWin* element : windows) {
    element->AttachHint(nullptr);
    element->AttachProvider(nullptr);
  }
  MainForm->AttachFormProvider(nullptr);
}

TClassMainForm_E47830::~TClassMainForm_E47830() { DestroyElements(); }

// Reverse field order. By now the toolkit has destroyed the controls with the
// application window, which each window element has noted. An element never
// made (the building stopped early) is nil.
void TClassMainForm_E47830::DestroyElements() {
  delete CheckDTR;
  delete CheckRTS;
  delete HubOpen;
  delete ComPort;
  delete HubSend;
  delete ButtonOpen;
  delete DataB;
  delete DataA;
  delete ButtonOff;
  delete ButtonOn;
  delete MainForm;
}
