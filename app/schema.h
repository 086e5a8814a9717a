#pragma once

class TWDMainForm;
class TWDButton;
class TWDCheckBox;
class TWDComAsync;
struct TWDDoData;
struct TWDHub;

// The program's schema: a tool window with three buttons and two check boxes
// that drives one serial port. Each field holds and owns one element; they are
// made in field order and destroyed in the reverse order.
class TClassMainForm_E47830 {
 public:
  // Builds every element with its values and makes every link.
  TClassMainForm_E47830();
  ~TClassMainForm_E47830();
  TClassMainForm_E47830(const TClassMainForm_E47830&) = delete;
  TClassMainForm_E47830& operator=(const TClassMainForm_E47830&) = delete;

  TWDMainForm* MainForm = nullptr;
  TWDButton* ButtonOn = nullptr;
  TWDButton* ButtonOff = nullptr;
  TWDDoData* DataA = nullptr;
  TWDDoData* DataB = nullptr;
  TWDButton* ButtonOpen = nullptr;
  TWDHub* HubSend = nullptr;
  TWDComAsync* ComPort = nullptr;
  TWDHub* HubOpen = nullptr;
  TWDCheckBox* CheckRTS = nullptr;
  TWDCheckBox* CheckDTR = nullptr;

  // Set when the constructor has built everything. Until then the fields record
  // which elements exist (nil: not made yet).
  bool Finished = false;

  // Destroys the elements that exist, in reverse field order; runs once, from
  // the destructor or, for a schema an error stopped half-built, at exit.
  void DestroyElements();

 private:
  void BuildElements();
  void MakeLinks();
  void AttachWindowServices();
};

// The schema of the running program; set before its first element exists.
extern TClassMainForm_E47830* SchemaInstance;
