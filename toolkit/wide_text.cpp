#include "toolkit/wide_text.h"

#include <cstring>

#include "toolkit/memory.h"

TWideText::TWideText(const char* text) {
  if (!text) text = "";
  // A single-byte code page gives one UTF-16 unit for every byte.
  const int length = static_cast<int>(std::strlen(text)) + 1;
  text_ = static_cast<wchar_t*>(ZeroAlloc(length * sizeof(wchar_t)));
  MultiByteToWideChar(kTextCodePage, 0, text, length, text_, length);
}

TWideText::~TWideText() { FreeAlloc(text_); }

wchar_t* TWideText::Release() {
  wchar_t* text = text_;
  text_ = nullptr;
  return text;
}

char NarrowChar(wchar_t c) {
  char narrow = 0;
  WideCharToMultiByte(kTextCodePage, 0, &c, 1, &narrow, 1, nullptr, nullptr);
  return narrow;
}

wchar_t WideChar(char c) {
  wchar_t wide = 0;
  MultiByteToWideChar(kTextCodePage, 0, &c, 1, &wide, 1);
  return wide;
}
