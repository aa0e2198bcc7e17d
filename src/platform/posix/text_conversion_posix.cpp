#include "platform/posix/posix_services.h"
#include "platform/utf8.h"

namespace vidudi::platform {

namespace {

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The system's text is UTF-8 already: the text stays as it is, but goes through the same
// wide buffer, so that broken sequences become U+FFFD and the length bounds hold.
class Utf8TextConversion final : public TextConversion {
public:
    std::string Utf8ToAnsi(std::string_view utf8) override {
        const std::vector<char16_t> wide = DecodeUtf8(utf8);
        std::string out;
        for (std::size_t at = 0; at < wide.size(); ++at) {
            char32_t code = wide[at];
            if (code >= 0xD800 && code <= 0xDBFF && at + 1 < wide.size()) {
                code = 0x10000 + ((code - 0xD800) << 10) + (wide[++at] - 0xDC00);
            }
            std::string character;
            AppendUtf8(character, code);
            if (out.size() + character.size() > kMaxAnsiTextLength) break;  // cut at a character
            out += character;
        }
        return out;
    }
};

}  // namespace

TextConversion& PosixTextConversion() {
    static Utf8TextConversion text;
    return text;
}

}  // namespace vidudi::platform
