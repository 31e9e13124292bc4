// Conversions between the UTF-8 of the program's strings and the UTF-16 of the wide Windows
// functions.
#pragma once

#include <string>
#include <string_view>

namespace quarlink::os::win32 {

std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);

} // namespace quarlink::os::win32
