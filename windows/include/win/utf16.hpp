#pragma once
// The one place where the game's UTF-8 strings and Windows' UTF-16 ones meet. Every path given
// to Windows goes through Wide, so a folder named in Japanese works whatever the system's code
// page is.
#include <string>

namespace win {

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::wstring Wide(const std::string& utf8);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8(const std::wstring& utf16);

}  // namespace win
