#include "elements/window/win.h"

void TWDWin::ApplyFontProperty() {}
