// The record's texts are 8-bit Windows-1252 ("ANSI"), as the saver's GDI draws them. What shows
// them elsewhere (a font's character map, a web page, a Prometheus label) needs their Unicode.
#pragma once

#include <string>
#include <string_view>

// The Unicode code point of a Windows-1252 byte (the bytes that code page leaves
// undefined map to the C1 controls of the same value, as Windows does).
char32_t AnsiToUnicode(unsigned char byte);

// `text` as UTF-8, byte by byte through AnsiToUnicode.
std::string AnsiToUtf8(std::string_view text);
