#include "app/command_line.h"
#include "elements/window/ini_file.h"
#include "elements/window/position_store.h"

TText ProgramDirectory() {
  // The whole path, however long: a cut path would put the file somewhere else.
  const TText path = CommandLineParam(0);
  const std::size_t slash = path.View().rfind('\\');
  if (slash == std::string_view::npos) return {};
  return TText(std::string_view(path.CStr(), slash + 1));
}

// "pos.ini\Main": the file pos.ini beside the program, section Main. The views
// are cut by hand: substr checks its bounds with a throwing call, which would
// bring the exception machinery into the program.
void IniPositionStore(TControl* form, std::string_view savePosition, bool save) {
  const std::size_t dot = savePosition.find(".ini\\");
  if (dot == std::string_view::npos) return;
  const TText directory = ProgramDirectory();
  TIniFile* file =
      NewIniFile(Concat(directory.View(), std::string_view(savePosition.data(), dot + 4)));
  file->Section =
      TText(std::string_view(savePosition.data() + dot + 5, savePosition.size() - dot - 5));
  file->Mode = save ? 1 : 0;
  TFormGeometry g = CurrentGeometry(form);
  g.Left = file->ValueInteger("Left", g.Left);
  g.Top = file->ValueInteger("Top", g.Top);
  g.Width = file->ValueInteger("Width", g.Width);
  g.Height = file->ValueInteger("Height", g.Height);
  Free(file);
  if (!save) ApplyLoadedGeometry(form, g, false);
}
