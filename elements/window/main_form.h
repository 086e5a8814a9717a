#pragma once

#include <windows.h>

#include <cstdint>

#include "elements/window/position_store.h"
#include "elements/window/win.h"
#include "toolkit/bitmap.h"

// The element that owns the program's main window: it makes the application
// window when none exists, frames, captions and places the form, can keep the
// form's geometry between runs, drags it by its client area, and runs the close
// sequence that switches event dispatch off.
class TWDMainForm : public TWDWin {
 public:
  // The form control is made at once, hidden; the form shows itself from the
  // start-up list, once the whole schema is built.
  explicit TWDMainForm(TControl* parent);
  ~TWDMainForm() override;

  // Working state.
  std::uint8_t OwnsApplication = 0;
  std::uint8_t FirstShowDone = 0;
  TBitmap* Background = nullptr;
  // The window this form entered in FormWindowList; the control may be gone
  // by the time the entry is removed.
  HWND ListedWindow = nullptr;
  void* FormProvider = nullptr;

  // Properties.
  std::uint8_t DragForm = 0;
  std::uint8_t AlphaBlendValue = 255;
  std::uint8_t WindowState = 0;  // at the first show: 0 as made, 1 minimised, 2 maximised
  TPositionStoreProc PositionStore = NoPositionStore;
  TText SavePosition;
  std::uint8_t ClientSize = 0;
  TMethod<void()> Position;  // placement at the end of Init
  // Form following: the owner of the application window tells the listed
  // forms of each move when MoveNotification is not empty; a form that
  // follows moves to its owner control's place plus the offsets.
  TText MoveNotification;
  TMethod<TControl*()>* OwnerLink = nullptr;
  std::int32_t FollowOffsetX = 0;
  std::int32_t FollowOffsetY = 0;

  // Points.
  TWD_Event readClose;  // a non-zero answer refuses a close by the user
  TWD_Event onActivate;
  TWD_Event onDeactivate;
  TWD_Event onCreate;
  TWD_Event onClose;

  // Setters, called after the constructor and before Init.
  void SetCaption(const TText& caption);
  void SetBorderStyle(std::uint8_t value);
  void SetIcon(HICON icon);
  void SetTaskbarStyle(std::uint8_t value);
  // Only the nil provider exists in this program.
  void AttachFormProvider(void* provider);

  // The placement routine the schema gives Position.
  void PlaceAtScreenCentre();

  void Init() override;
  void HandleMouseDown(TControl* sender, TMouseEventData& mouse) override;
  bool HandleMessage(TMessage& msg, LRESULT& result) override;
  void HandleShow(TControl* sender) override;

 private:
  void StartUp();
  void ApplyWindowState();
  void FormMoved();
  void FormSized();
  void Activated(WPARAM state);
  // The close sequence; true keeps the window.
  bool HandleClose(bool userClose);
  void CloseChildForms();
  void FollowOwner();
};
