#pragma once

#include <windows.h>

// The program's texts are Windows-1251 bytes. The window system is given them
// as UTF-16, converted from code page 1251 (present on every Windows): the ANSI
// calls would read the bytes in the system's own code page, which is 1251 only
// on a Cyrillic Windows.
inline constexpr UINT kTextCodePage = 1251;

// A text converted for one wide platform call; nil gives an empty text.
class TWideText {
 public:
  explicit TWideText(const char* text);
  ~TWideText();
  TWideText(const TWideText&) = delete;
  TWideText& operator=(const TWideText&) = delete;

  const wchar_t* Get() const { return text_; }
  // Hands the heap copy to the caller, who frees it with FreeAlloc; Get gives
  // nil afterwards.
  wchar_t* Release();

 private:
  wchar_t* text_;
};

// One character a window hands back, and the way to it again; a character
// that code page 1251 lacks becomes its default character.
char NarrowChar(wchar_t c);
wchar_t WideChar(char c);
