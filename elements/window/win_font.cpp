#include "elements/window/win.h"
#include "toolkit/paint.h"

void TWDWin::ApplyFontProperty() {
  if (ParentFont) {
    if (!ParentControl) return;
    TGraphicTool* parentFont = GetFont(ParentControl);
    Control->Font = CopyTool(GetFont(Control), parentFont);
    // A parent that had no font when the control was made was not linked then:
    // the copy draws with the parent's handle all the same.
    Control->Font->LinkParent(parentFont);
    return;
  }
  TGraphicTool* font = GetFont(Control);
  SetToolColor(font, Font.Color);
  SetFontStyle(font, Font.Style);
  SetFontName(font, Font.Name.CStr());
  SetFontHeight(font, FontHeightOfPoints(Font.Size));
  SetFontCharset(font, Font.Charset);
}
