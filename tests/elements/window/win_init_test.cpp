#include <memory>

#include "tests/elements/window/element_fixture.h"
#include "toolkit/graphic_tool.h"
#include "toolkit/paint.h"

namespace {

using Init = ElementTest;

RECT WindowRectIn(HWND window, HWND parent) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(Init, PlacesTheControlAndKeepsASizeOfZero) {
  std::unique_ptr<TWDWin> e(NewButtonElement(form_));
  const int createdWidth = e->Control->Width();
  e->Width = 0;
  e->Height = 25;
  e->Init();
  const RECT r = WindowRectIn(e->Control->Handle, form_->Handle);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right - r.left, createdWidth);
  EXPECT_EQ(r.bottom - r.top, 25);
  EXPECT_TRUE(IsWindowVisible(e->Control->Handle));
  EXPECT_EQ((*e->WindowInterface())(), e->Control);
}

TEST_F(Init, EdgeAndBorderFollowCtl3DAndEdgeStyleOnlyWithoutCtl3D) {
  constexpr DWORD kEdges = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME;
  struct Row {
    std::uint8_t ctl3D, edgeStyle;
    DWORD edges;
    bool border;
  } rows[] = {
      {2, 3, WS_EX_CLIENTEDGE, false},  // the control's own look: created with a client edge
      {1, 2, 0, true},
      {0, 0, WS_EX_CLIENTEDGE, false},
      {0, 1, 0, false},
      {0, 2, WS_EX_STATICEDGE, false},
      {0, 3, WS_EX_DLGMODALFRAME, false},
      {0, 4, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "Ctl3D " << int(row.ctl3D) << " EdgeStyle " << int(row.edgeStyle));
    TWDWin e(form_);
    e.Control = NewControl(form_, "STATIC", WS_CHILD | WS_VISIBLE, true, nullptr);
    e.Ctl3D = row.ctl3D;
    e.EdgeStyle = row.edgeStyle;
    e.Init();
    EXPECT_EQ(ExStyleOf(e.Control->Handle) & kEdges, row.edges);
    EXPECT_EQ((StyleOf(e.Control->Handle) & WS_BORDER) != 0, row.border);
  }
}

TEST_F(Init, TabOrderPlacesTheControlAndMovesItsSiblingsUp) {
  const std::int32_t orders[] = {0, 0, 2, -1};
  std::unique_ptr<TWDWin> e[4];
  for (int i = 0; i < 4; ++i) {
    e[i].reset(NewButtonElement(form_, 20 + 60 * i));
    e[i]->TabOrder = orders[i];
    e[i]->Init();
  }
  TList* list = BuildTabList(form_);
  ASSERT_EQ(list->Count, 3);
  EXPECT_EQ(list->GetPtr<TControl>(0), e[0]->Control);
  EXPECT_EQ(list->GetPtr<TControl>(1), e[2]->Control);
  EXPECT_EQ(list->GetPtr<TControl>(2), e[1]->Control);
  Free(list);
  EXPECT_EQ(e[1]->Control->TabOrder, 3);
  EXPECT_EQ(e[2]->Control->TabOrder, 2);
  EXPECT_EQ(e[2]->Control->TabKeys, 1u);
  EXPECT_EQ(e[0]->Control->TabKeys, 15u);
  EXPECT_EQ(e[3]->Control->TabStop, 0);

  // Tab walks the same way, past the control that is no tab stop.
  e[0]->Control->TabNavigator = TabNavigate;
  form_->TabNavigator = TabNavigate;
  FocusControl(e[0]->Control);
  FocusNext(form_, true);
  EXPECT_EQ(GetFocus(), e[2]->Control->Handle);
}

TEST_F(Init, DoEnabledTakesTheTruthViewOfTheValue) {
  std::unique_ptr<TWDWin> e(NewButtonElement(form_));
  e->Init();
  auto integer = [](std::int32_t v) {
    TData d;
    MakeInteger(d, v);
    return d;
  };
  TData digitZero;
  MakeString(digitZero, "0");
  struct Row {
    TData value;
    bool enabled;
  } rows[] = {{integer(0), false}, {integer(1), true},  {integer(0), false}, {integer(256), true},
              {TData{}, true},     {integer(0), false}, {digitZero, true}};
  for (Row& row : rows) {
    SCOPED_TRACE(row.value.DataType);
    e->doEnabled(row.value, 0);
    EXPECT_EQ(IsWindowEnabled(e->Control->Handle) != 0, row.enabled);
    EXPECT_EQ(e->Control->Enabled != 0, row.enabled);
  }
}

TEST_F(Init, ALinkedElementCorrectsAPendingResize) {
  struct Row {
    bool bound;
    std::int32_t answer;
    int width;
  } rows[] = {{true, 0, 100}, {false, 0, 200}, {true, 30, 130}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "bound " << row.bound << " answer " << row.answer);
    PointProbe probe;
    std::unique_ptr<TWDWin> e(NewButtonElement(form_));
    if (row.bound) {
      probe.Bind(e->readWidthDelta, "width");
      MakeInteger(probe.answers[0], row.answer);
    }
    e->Init();
    SetWindowPos(e->Control->Handle, nullptr, 0, 0, 200, 60, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(e->Control->Width(), row.width);
    EXPECT_EQ(e->Control->Height(), 60);  // its point is unbound: the height stands
    if (row.bound) {
      EXPECT_EQ(probe.log, (std::vector<std::string>{"width:100"}));
    }
  }
}

TEST_F(Init, FontComesFromTheRecordOrIsTheParentsOwn) {
  std::unique_ptr<TWDWin> own(NewButtonElement(form_));
  own->Font = MakeFontRec("Arial", 10, kFontBold | kFontItalic, 0x0000FF, ANSI_CHARSET);
  own->Init();
  std::unique_ptr<TWDWin> shared(NewButtonElement(form_, 150));
  shared->ParentFont = 1;
  shared->Init();

  LOGFONTA font{};
  auto handle = reinterpret_cast<HFONT>(SendMessageA(own->Control->Handle, WM_GETFONT, 0, 0));
  ASSERT_TRUE(GetObjectA(handle, sizeof font, &font));
  EXPECT_STREQ(font.lfFaceName, "Arial");
  EXPECT_EQ(font.lfHeight, FontHeightOfPoints(10));
  EXPECT_EQ(font.lfWeight, 700);
  EXPECT_EQ(font.lfItalic, 1);
  EXPECT_EQ(own->Control->TextColor, 0x0000FFu);
  EXPECT_EQ(SendMessageA(shared->Control->Handle, WM_GETFONT, 0, 0),
            reinterpret_cast<LRESULT>(FontHandle(GetFont(form_))));
}

// The form goes first and takes the control with it: the element must neither
// free nor touch the control afterwards.
TEST_F(Init, ElementWhoseControlDiedWithItsFormLetsItBe) {
  std::unique_ptr<TWDWin> e(NewButtonElement(form_));
  e->Init();
  HWND window = e->Control->Handle;
  DestroyCounter counter;
  counter.Watch(form_);
  Free(form_);
  ASSERT_TRUE(counter.Saw(form_));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(e->ControlGone, 1);
  EXPECT_EQ((*e->WindowInterface())(), nullptr);
  TData off;
  MakeInteger(off, 0);
  e->doEnabled(off, 0);
  e.reset();
}

}  // namespace
