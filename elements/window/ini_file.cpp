#include "elements/window/ini_file.h"

#include <windows.h>

#include "runtime/data.h"

std::int32_t TIniFile::ValueInteger(const char* key, std::int32_t value) {
  if (Mode == 0) {
    return static_cast<std::int32_t>(
        GetPrivateProfileIntA(Section.CStr(), key, value, FileName.CStr()));
  }
  // A failed write is of no consequence: the next load simply finds nothing.
  WritePrivateProfileStringA(Section.CStr(), key, IntegerToText(value).CStr(), FileName.CStr());
  return value;
}

TIniFile* NewIniFile(const TText& fileName) {
  TIniFile* file = NewObj<TIniFile>();
  file->FileName = fileName;
  return file;
}
