#include "elements/window/win.h"
#include "toolkit/paint.h"

void TWDWin::ApplyFontProperty() {
  if (ParentFont) {
    if (ParentControl) Control->Font = CopyTool(GetFont(Control), GetFont(ParentControl));
    return;
  }
  TGraphicTool* font = GetFont(Control);
  SetToolColor(font, Font.Color);
  SetFontStyle(font, Font.Style);
  SetFontName(font, Font.Name.CStr());
  SetFontHeight(font, FontHeightOfPoints(Font.Size));
  SetFontCharset(font, Font.Charset);
}
