#pragma once
// UTF-8 text as the system's conversion functions decode it, shared by the conversions of the
// fake and Linux platforms.
#include <string_view>
#include <vector>

namespace vidudi::platform {

// UTF-8 to UTF-16 code units through the 1024-character wide buffer of the conversion: each
// broken sequence (its longest valid beginning, at least one byte) becomes one U+FFFD, and
// what does not fit is cut off before a character.
std::vector<char16_t> DecodeUtf8(std::string_view utf8);

}  // namespace vidudi::platform
