#pragma once

// The program's own texts that are not ASCII, as Windows-1251 bytes, so that
// nothing depends on the compiler's source or execution character set. They
// go unchanged to the ANSI platform calls.

// "On" and "Off" in Russian.
inline constexpr char kCaptionOn[] = "\xC2\xEA\xEB";
inline constexpr char kCaptionOff[] = "\xC2\xFB\xEA\xEB";

// The credit box: "Made in Weldra." in Russian, and its caption.
inline constexpr char kCreditText[] = "\xD1\xE4\xE5\xEB\xE0\xED\xEE \xE2 Weldra.";
inline constexpr char kCreditCaption[] = "Weldra Info";
inline constexpr char kCreditSwitch[] = "/iw";
