#include <windows.h>

#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "tests/toolkit/canvas.h"
#include "tests/toolkit/window_fixture.h"
#include "toolkit/buffered_paint.h"
#include "toolkit/paint.h"

namespace {

using Painting = WindowTest;

constexpr std::uint32_t kInherit = 0xFFFFFFFF;
constexpr COLORREF kGreen = RGB(10, 200, 30);
constexpr COLORREF kRed = RGB(200, 40, 40);
constexpr COLORREF kBlue = RGB(0, 0, 200);

void ShowAndPaint(TControl* form) {
  form->SetVisible(true);
  form->GetWindowHandle();
  InvalidateRect(form->Handle, nullptr, TRUE);
  UpdateWindow(form->Handle);
}

COLORREF BrushColor(HBRUSH brush) {
  LOGBRUSH info{};
  GetObjectA(brush, sizeof(info), &info);
  return info.lbColor;
}

struct PixelCase {
  const char* name;
  std::uint32_t formColor;
  std::uint32_t boxColor;
  bool transparent;
  COLORREF wantForm;
  COLORREF wantBox;
};

TEST_F(Painting, BackgroundsArriveAsPixels) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const PixelCase cases[] = {
      {"default", kInherit, kInherit, false, face, face},
      {"form colour passed on", kGreen, kInherit, false, kGreen, kGreen},
      {"own colour", kInherit, kRed, false, face, kRed},
      // The form became a buffer owner: it draws its background only into its buffer.
      {"transparent", kGreen, kRed, true, kSentinel, kSentinel},
  };
  for (const PixelCase& c : cases) {
    BuildApp();
    if (c.formColor != kInherit) form_->SetColor(c.formColor);
    TControl* box = NewCheckBox(form_, "");
    if (c.boxColor != kInherit) box->SetColor(c.boxColor);
    if (c.transparent) SetTransparent(box, true);
    form_->GetWindowHandle();

    Canvas formCanvas(40, 40, kSentinel);
    SendMessageA(form_->Handle, WM_PRINT, reinterpret_cast<WPARAM>(formCanvas.dc),
                 PRF_ERASEBKGND | PRF_CLIENT);
    EXPECT_EQ(formCanvas.At(20, 20), c.wantForm) << c.name;
    Canvas boxCanvas(72, 22, kSentinel);
    SendMessageA(box->Handle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(boxCanvas.dc), PRF_CLIENT);
    // The far corner of the box holds neither its check mark nor its text.
    EXPECT_EQ(boxCanvas.At(60, 15), c.wantBox) << c.name;
    TearDown();
    SetUp();
  }
}

TEST_F(Painting, ChildrenOfDefaultLookShareTheFormsBrushAndFont) {
  BuildApp();
  GetFont(form_);
  std::vector<TControl*> children;
  for (int i = 0; i < 5; ++i) {
    children.push_back(i < 3 ? NewButton(form_, "B") : NewCheckBox(form_, "C"));
  }
  ShowAndPaint(form_);
  for (TControl* c : children) {
    Canvas canvas(64, 22, kSentinel);
    SendMessageA(c->Handle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc), PRF_CLIENT);
  }

  // The form is of its application window's colour, so the brush is that window's.
  HBRUSH brush = BrushHandle(form_);
  EXPECT_EQ(brush, AppWindow->CachedBrush);
  ASSERT_NE(form_->Font->ToolHandle, nullptr);
  std::set<HGDIOBJ> held;
  for (TControl* c :
       {AppWindow, form_, children[0], children[1], children[2], children[3], children[4]}) {
    if (c->CachedBrush) held.insert(c->CachedBrush);
    if (c->Font && c->Font->ToolHandle) held.insert(c->Font->ToolHandle);
  }
  for (TControl* c : children) {
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(c->Handle, WM_GETFONT, 0, 0)),
              form_->Font->ToolHandle);
    EXPECT_EQ(BrushHandle(c), brush);
  }
  EXPECT_EQ(held.size(), 2u);  // one brush, one font

  // A child's own font reaches its window at once, and its colour becomes the text colour.
  TGraphicTool* ownFont = GetFont(children[3]);
  SetFontStyle(ownFont, kFontBold);
  SetToolColor(ownFont, kRed);
  HGDIOBJ given = reinterpret_cast<HGDIOBJ>(SendMessageA(children[3]->Handle, WM_GETFONT, 0, 0));
  EXPECT_NE(given, form_->Font->ToolHandle);
  LOGFONTA described{};
  ASSERT_TRUE(GetObjectA(given, sizeof(described), &described));
  EXPECT_EQ(described.lfWeight, FW_BOLD);
  EXPECT_EQ(children[3]->TextColor, kRed);

  // Another colour gets a brush of its own.
  children[4]->SetColor(kBlue);
  HBRUSH own = BrushHandle(children[4]);
  EXPECT_NE(own, brush);
  EXPECT_EQ(BrushColor(own), kBlue);

  // A system colour changed: the next request rebuilds the brush in the new colour.
  const int element = COLOR_BTNFACE;
  const COLORREF original = GetSysColor(element);
  const COLORREF changed = original ^ 0x0000FF;
  ASSERT_TRUE(SetSysColors(1, &element, &changed));
  EXPECT_EQ(BrushColor(BrushHandle(children[0])), changed);
  SetSysColors(1, &element, &original);
  EXPECT_EQ(BrushColor(BrushHandle(form_)), original);
}

// Changes one system colour for its lifetime, and puts it back however the test ends.
struct SystemColourChange {
  explicit SystemColourChange(int element) : element(element), original(GetSysColor(element)) {
    const COLORREF changed = original ^ 0x00FF00;
    SetSysColors(1, &element, &changed);
  }
  ~SystemColourChange() { SetSysColors(1, &element, &original); }
  int element;
  COLORREF original;
};

LOGFONTA Described(HGDIOBJ font) {
  LOGFONTA described{};
  // Nothing for a handle that was deleted.
  EXPECT_TRUE(GetObjectA(font, sizeof described, &described));
  return described;
}

LOGFONTA GivenFont(TControl* c) {
  return Described(reinterpret_cast<HGDIOBJ>(SendMessageA(c->Handle, WM_GETFONT, 0, 0)));
}

bool SameFont(const LOGFONTA& a, const LOGFONTA& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct FontChange {
  const char* name;
  void (*apply)(TGraphicTool* font);
  bool systemColour;
};

TEST_F(Painting, ChildrenSharingTheFormsFontFollowItsChangesAndOthersKeepTheirOwn) {
  const FontChange changes[] = {
      {"height", [](TGraphicTool* f) { SetFontHeight(f, -20); }, false},
      {"face", [](TGraphicTool* f) { SetFontName(f, "Tahoma"); }, false},
      {"style", [](TGraphicTool* f) { SetFontStyle(f, kFontItalic); }, false},
      {"system colour behind it", [](TGraphicTool* f) { FontHandle(f); }, true},
  };
  for (const FontChange& change : changes) {
    SCOPED_TRACE(change.name);
    BuildApp();
    SetToolColor(GetFont(form_), 0x80000008);  // window text
    TControl* sharing[] = {NewButton(form_, "B"), NewCheckBox(form_, "C")};
    TControl* own = NewButton(form_, "Own");
    SetFontStyle(GetFont(own), kFontBold);
    ShowAndPaint(form_);
    const LOGFONTA ownBefore = GivenFont(own);
    {
      std::optional<SystemColourChange> colour;
      if (change.systemColour) colour.emplace(COLOR_WINDOWTEXT);
      change.apply(form_->Font);
    }
    const LOGFONTA formNow = Described(FontHandle(form_->Font));
    for (TControl* c : sharing) EXPECT_TRUE(SameFont(GivenFont(c), formNow));
    EXPECT_TRUE(SameFont(GivenFont(own), ownBefore));
    TearDown();
    SetUp();
  }
}

struct BufferCase {
  int width, height;
  int wantWidth, wantHeight;
};

TEST_F(Painting, BufferIsReusedWithinThirtyTwoPixelsAndReplacedOtherwise) {
  BuildApp();
  SetDoubleBuffered(form_, true);
  const BufferCase cases[] = {
      {180, 90, 200, 100},   // smaller by less than 32: kept
      {150, 100, 150, 100},  // more than 32 narrower: replaced
      {210, 100, 210, 100},  // wider: replaced
      {200, 132, 200, 132},  // taller: replaced
  };
  for (const BufferCase& c : cases) {
    form_->DeleteBufferBitmap();
    form_->SetClientWidth(200);
    form_->SetClientHeight(100);
    ShowAndPaint(form_);
    ASSERT_EQ(form_->BufferWidth, 200);
    ASSERT_EQ(form_->BufferHeight, 100);
    form_->SetClientWidth(c.width);
    form_->SetClientHeight(c.height);
    ShowAndPaint(form_);
    EXPECT_EQ(form_->BufferWidth, c.wantWidth) << c.width << "x" << c.height;
    EXPECT_EQ(form_->BufferHeight, c.wantHeight) << c.width << "x" << c.height;
    EXPECT_FALSE(GetUpdateRect(form_->Handle, nullptr, FALSE));
    EXPECT_EQ(form_->PaintingToBuffer, 0);
  }
  // The bitmap goes with its owner.
  HBITMAP buffer = form_->BufferBitmap;
  EXPECT_EQ(GetObjectType(buffer), static_cast<DWORD>(OBJ_BITMAP));
  Free(form_);
  EXPECT_EQ(GetObjectType(buffer), 0u);
}

TEST_F(Painting, OnePaintOfABufferedFormDrawsItsChildrenAndATransparentChildKeepsTheFormsColour) {
  BuildApp();
  form_->SetColor(kGreen);
  TControl* solid = NewCheckBox(form_, "");
  solid->SetColor(kBlue);
  solid->SetBoundsRect({10, 10, 82, 32});
  TControl* clear = NewCheckBox(form_, "");
  clear->SetColor(kRed);
  clear->SetBoundsRect({10, 40, 82, 62});
  EXPECT_FALSE(form_->DoubleBuffered);
  SetTransparent(clear, true);
  EXPECT_TRUE(form_->DoubleBuffered);
  EXPECT_EQ(BufferOwner(clear), form_);
  form_->SetClientWidth(120);
  form_->SetClientHeight(80);

  ShowAndPaint(form_);
  ASSERT_NE(form_->BufferBitmap, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, form_->BufferBitmap);
  // Inside the client areas, clear of check mark and text: the children's own pixels.
  EXPECT_EQ(GetPixel(dc, 40, 16), kBlue);
  EXPECT_EQ(GetPixel(dc, 40, 46), kGreen);
  EXPECT_EQ(GetPixel(dc, 110, 70), kGreen);
  SelectObject(dc, old);
  DeleteDC(dc);

  // Asked directly, the transparent child erases nothing and says it did.
  Canvas canvas(72, 22, kSentinel);
  EXPECT_EQ(SendMessageA(clear->Handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc), 0), 1);
  EXPECT_EQ(canvas.At(30, 10), kSentinel);
  // A child's own paint request becomes a repaint of its owner.
  ValidateRect(form_->Handle, nullptr);
  InvalidateRect(solid->Handle, nullptr, TRUE);
  UpdateWindow(solid->Handle);
  EXPECT_FALSE(GetUpdateRect(solid->Handle, nullptr, FALSE));
  EXPECT_TRUE(GetUpdateRect(form_->Handle, nullptr, FALSE));
}

TEST_F(Painting, BufferedFormDrawsUpperSiblingsOverLowerOnes) {
  BuildApp();
  form_->SetColor(kGreen);
  SetDoubleBuffered(form_, true);
  TControl* lower = NewCheckBox(form_, "");
  lower->SetColor(kBlue);
  lower->SetBoundsRect({10, 10, 82, 32});
  TControl* upper = NewCheckBox(form_, "");
  upper->SetColor(kRed);
  upper->SetBoundsRect({40, 10, 112, 32});
  form_->SetClientWidth(120);
  form_->SetClientHeight(40);
  form_->GetWindowHandle();
  SetWindowPos(upper->Handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(lower->Handle, upper->Handle, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  ShowAndPaint(form_);
  ASSERT_NE(form_->BufferBitmap, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, form_->BufferBitmap);
  // Where they overlap, clear of check marks: the upper box, as on the screen.
  EXPECT_EQ(GetPixel(dc, 70, 16), kRed);
  EXPECT_EQ(GetPixel(dc, 30, 16), kBlue);
  SelectObject(dc, old);
  DeleteDC(dc);
}

struct PaintRecorder {
  void OnPaint(TControl* sender, HDC dc) {
    dcs.push_back(dc);
    paintDCWasDc = sender->PaintDC == dc;
    FillWith(dc, 5, 5, kBlue);
  }
  std::vector<HDC> dcs;
  bool paintDCWasDc = false;
};

TEST_F(Painting, PaintEventDrawsIntoTheGivenDcOrThroughBeginPaint) {
  BuildApp();
  PaintRecorder recorder;
  form_->SetOnPaint(MakeMethod<&PaintRecorder::OnPaint>(&recorder));
  ShowAndPaint(form_);
  ASSERT_EQ(recorder.dcs.size(), 1u);
  EXPECT_NE(recorder.dcs[0], nullptr);
  EXPECT_FALSE(GetUpdateRect(form_->Handle, nullptr, FALSE));

  Canvas canvas(10, 10, kSentinel);
  EXPECT_EQ(SendMessageA(form_->Handle, WM_PAINT, reinterpret_cast<WPARAM>(canvas.dc), 0), 0);
  EXPECT_EQ(recorder.dcs.back(), canvas.dc);
  EXPECT_TRUE(recorder.paintDCWasDc);
  EXPECT_EQ(form_->PaintDC, nullptr);
  EXPECT_EQ(canvas.At(2, 2), kBlue);
  EXPECT_EQ(canvas.At(7, 7), kSentinel);
}

// Builds the program's kind of form under the application window, paints it
// through its buffer and frees it; gives every GDI handle made on the way.
std::vector<HGDIOBJ> BuildPaintAndFree(TControl* app) {
  TControl* form = NewForm(app, "Form");
  // Inside the shown application window: a top-level window costs Wine a window
  // of the X server each time, and a thousand of them take minutes.
  form->Style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
  form->SetBoundsRect({0, 0, 200, 120});
  GetFont(form);
  form->SetColor(kGreen);
  SetDoubleBuffered(form, true);
  TControl* children[5];
  for (int i = 0; i < 5; ++i) children[i] = i < 3 ? NewButton(form, "B") : NewCheckBox(form, "C");
  children[1]->SetColor(kRed);
  SetFontStyle(GetFont(children[2]), kFontBold);
  SetTransparent(children[4], true);
  ShowAndPaint(form);
  std::vector<HGDIOBJ> made;
  for (TControl* c : {form, children[0], children[1], children[2], children[3], children[4]}) {
    if (c->CachedBrush) made.push_back(c->CachedBrush);
    if (c->Font && c->Font->ToolHandle) made.push_back(c->Font->ToolHandle);
  }
  made.push_back(form->BufferBitmap);
  Free(form);
  return made;
}

TEST_F(Painting, ThousandFormsBuiltPaintedAndFreedLeaveNoGdiObjectBehind) {
  AppWindow = NewApplet("App");
  AppWindow->SetBoundsRect({0, 0, 240, 160});
  AppWindow->SetVisible(true);
  AppWindow->GetWindowHandle();
  BuildPaintAndFree(AppWindow);  // classes registered, caches of the platform warmed
  for (int i = 0; i < 1000 && !HasFatalFailure(); ++i) {
    const std::vector<HGDIOBJ> made = BuildPaintAndFree(AppWindow);
    // The form's and the red child's brushes, the form's and the bold child's fonts, the buffer.
    ASSERT_EQ(made.size(), 5u);
    for (HGDIOBJ h : made) ASSERT_EQ(GetObjectType(h), 0u) << "cycle " << i;
    Pump();
  }
}

LRESULT CALLBACK ForeignProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return 7;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(Painting, ForeignChildDeepInABufferedFormLeavesItsBackgroundToTheBufferUnlessItIsDrawn) {
  BuildApp();
  TControl* button = NewButton(form_, "B");
  SetDoubleBuffered(form_, true);
  HWND parent = button->GetWindowHandle();
  WNDCLASSA wc{};
  wc.lpfnWndProc = ForeignProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ForeignPaintChild";
  RegisterClassA(&wc);
  HWND child = CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD, 0, 0, 10, 10, parent, nullptr,
                               wc.hInstance, nullptr);
  ASSERT_NE(child, nullptr);
  // Children that exist when a window is made are subclassed by the creation hook.
  SubclassChildWindows(button);
  // Put on with the wide call: no ANSI procedure stands before the child's own.
  EXPECT_EQ(GetWindowLongPtrW(child, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ChildSubclassProc));
  EXPECT_TRUE(IsWindowUnicode(child));
  EXPECT_NE(GetPropA(child, kPrevProcProp), nullptr);

  HDC dc = GetDC(child);
  const auto erase = [&] {
    return SendMessageA(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  };
  // The button itself buffers nothing: its form does.
  EXPECT_EQ(erase(), 1);
  form_->PaintingToBuffer = 1;
  EXPECT_EQ(erase(), 7);
  form_->PaintingToBuffer = 0;
  ReleaseDC(child, dc);
  DestroyWindow(child);
  UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

}  // namespace
