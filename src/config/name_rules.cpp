#include "config/name_rules.h"

#include <utility>

namespace vidudi {
namespace {

constexpr std::size_t kMaxNameBytes = 15;

// The texts as the user has always seen them. The list of characters in the third one is not
// quite the set refused (it misses the backquote and shows the apostrophe twice); it stays as
// it is.
constexpr char kTooLong[] = "%s can not exceed 15 characters.";
constexpr char kHasSpace[] = "%s can not contain space.";
constexpr char kHasForbidden[] =
    "%s can not include the following characters:\\ /:*?\"< >|.;+=~'[ ]{} @ # ()!'^$% & ,";
constexpr char kNoLeadingLetter[] = "%s must begin with a letter.";

// The label goes in place of the one "%s"; the rest of the text is literal (it holds a bare
// '%' that a printf-style format would misread).
RuleMessage NameMessage(const char* format, NameKind kind) {
    std::string text = format;
    text.replace(text.find("%s"), 2, kind == NameKind::HostName ? "The host name" : "The work group name");
    return {std::move(text), "Error", MessageIcon::Warning};
}

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Printable ASCII other than letters, digits, space, '-' and '_'; and the control characters.
bool IsForbiddenNameCharacter(unsigned char c) {
    // Control characters are no part of a name either: a pasted tab or line break, or a NUL
    // that would cut the name short in the request, is refused with the others.
    if (c < 0x20 || c == 0x7F) return true;
    return (c >= 0x21 && c <= 0x2F && c != '-') || (c >= 0x3A && c <= 0x40) ||
           (c >= 0x5B && c <= 0x60 && c != '_') || (c >= 0x7B && c <= 0x7E);
}

}  // namespace

RuleResult CheckNameRules(const std::string& text, NameKind kind) {
    if (text.size() > kMaxNameBytes) return NameMessage(kTooLong, kind);
    if (text.find(' ') != std::string::npos) return NameMessage(kHasSpace, kind);
    for (const char c : text)
        if (IsForbiddenNameCharacter(static_cast<unsigned char>(c))) return NameMessage(kHasForbidden, kind);
    if (text.empty() || !IsAsciiLetter(static_cast<unsigned char>(text.front())))
        return NameMessage(kNoLeadingLetter, kind);
    return std::nullopt;
}

}  // namespace vidudi
