#pragma once
// Text from the devices (UTF-8) in the form the system's drive and share functions take: the
// ANSI code page.
#include <cstddef>
#include <string>
#include <string_view>

namespace vidudi::platform {

// The longest ANSI text a conversion gives, without its terminator: what fits a 132-byte
// buffer. A longer result is cut at a character boundary.
constexpr std::size_t kMaxAnsiTextLength = 131;

class TextConversion {
public:
    virtual ~TextConversion() = default;
    // Converts through a 1024-character wide buffer (longer input is cut to fit). Characters
    // the code page cannot represent, and bytes that are not UTF-8, become the code page's
    // replacement character; nothing is approximated by a look-alike letter.
    virtual std::string Utf8ToAnsi(std::string_view utf8) = 0;
};

}  // namespace vidudi::platform
