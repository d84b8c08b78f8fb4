#pragma once

#include <string>
#include <string_view>

namespace davev {

// The model keeps its text in UTF-8; the wide-character API takes UTF-16.
// A malformed sequence on either side becomes U+FFFD instead of failing.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// Batch files are in the ANSI code page, as the system's interpreter reads
// them. A character the code page lacks becomes its default character.
std::wstring widenAnsi(std::string_view ansi);
std::string narrowAnsi(std::wstring_view utf16);

// The system's description of a Windows error code (GetLastError and the
// like), in UTF-8 and without the trailing line end.
std::string systemErrorText(unsigned long code);
// The same in the ANSI code page, for the interpreter's messages.
std::string systemErrorTextAnsi(unsigned long code);

} // namespace davev
