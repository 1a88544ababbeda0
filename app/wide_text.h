// UTF-8 text (exception messages) to the wide strings the user interface shows.
#pragma once

#include <string>
#include <string_view>

namespace vel {

// Malformed sequences become U+FFFD; on Windows characters beyond U+FFFF become surrogate pairs.
std::wstring toWide(std::string_view utf8);

}  // namespace vel
