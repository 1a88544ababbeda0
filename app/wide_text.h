// UTF-8 to and from the wide strings of settings files and the user interface. Wide text is UTF-16
// on every build, as on Windows, so the host tests see the same units Velmora.exe does.
#pragma once

#include <string>
#include <string_view>

namespace vel {

// As Windows decodes UTF-8: a malformed sequence becomes one U+FFFD after as many bytes as still
// fitted, and a sequence cut off by the end swallows the rest.
std::wstring toWide(std::string_view utf8);

// Characters beyond U+FFFF come from surrogate pairs; a lone surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view text);

}  // namespace vel
