// Text encodings of input and output files: UTF-8, or Windows-1252 for legacy text.
#pragma once

#include <string>
#include <string_view>

namespace scrivane {

// The encoding a document is read and written in.
enum class TextEncoding { Utf8, Windows1252 };

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Appends Windows-1252 `bytes` as UTF-8; every byte maps to one character, so nothing is lost.
void AppendUtf8FromWindows1252(std::string& out, std::string_view bytes);

// Appends UTF-8 `text` as Windows-1252; a character the code page lacks becomes "&#N;".
void AppendWindows1252FromUtf8(std::string& out, std::string_view text);

}  // namespace scrivane
