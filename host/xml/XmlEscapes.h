#pragma once
// The _xHHHH_ escapes with which workbooks carry characters that XML cannot hold.
#include <string>
#include <string_view>

namespace pv::host {

// Decodes every "_xHHHH_" (four hex digits, either case) to the UTF-8 of that UTF-16 unit:
// "_x000D_" is a carriage return, "_x005F_" an underscore (so "_x005F_x0041_" stays the text
// "_x0041_"), and a high surrogate escape followed at once by a low one is one character.
// Anything else is left as it is: a lone surrogate escape, "_x0000_", a wrong digit count.
std::string decodeXmlEscapes(std::string_view text);

// True when the text is well-formed UTF-8 of characters XML 1.0 can hold (no control character
// but tab, line feed and carriage return; no surrogate, U+FFFE or U+FFFF).
bool isXmlText(std::string_view text);

// Appends the UTF-8 encoding of one code point.
void appendUtf8(char32_t cp, std::string& out);

}  // namespace pv::host
