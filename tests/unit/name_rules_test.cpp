// The host-name and work-group rules: which text is refused, with which of the four messages,
// and which rule wins when several apply.
#include <gtest/gtest.h>

#include <string>

#include "config/name_rules.h"

namespace vidudi {
namespace {

// The refusal's text, or "" when the name passes.
std::string HostRefusal(const std::string& name) {
    auto message = CheckNameRules(name, NameKind::HostName);
    return message ? message->text : "";
}
std::string WorkGroupRefusal(const std::string& name) {
    auto message = CheckNameRules(name, NameKind::WorkGroup);
    return message ? message->text : "";
}

const std::string kHostTooLong = "The host name can not exceed 15 characters.";
const std::string kHostSpace = "The host name can not contain space.";
const std::string kHostForbidden =
    "The host name can not include the following characters:\\ /:*?\"< >|.;+=~'[ ]{} @ # ()!'^$% & ,";
const std::string kHostLetter = "The host name must begin with a letter.";

TEST(NameRules, EveryMessageForBothNamesWithCaptionAndIcon) {
    struct Case {
        const char* name;
        NameKind kind;
        const char* text;
    };
    const Case cases[] = {
        {"abcdefghijklmnop", NameKind::HostName, "The host name can not exceed 15 characters."},
        {"a b", NameKind::HostName, "The host name can not contain space."},
        {"nas.local", NameKind::HostName,
         "The host name can not include the following characters:\\ /:*?\"< >|.;+=~'[ ]{} @ # ()!'^$% & ,"},
        {"1NAS", NameKind::HostName, "The host name must begin with a letter."},
        {"abcdefghijklmnop", NameKind::WorkGroup, "The work group name can not exceed 15 characters."},
        {"a b", NameKind::WorkGroup, "The work group name can not contain space."},
        {"nas.local", NameKind::WorkGroup,
         "The work group name can not include the following characters:\\ /:*?\"< >|.;+=~'[ ]{} @ # ()!'^$% & ,"},
        {"1NAS", NameKind::WorkGroup, "The work group name must begin with a letter."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CheckNameRules(c.name, c.kind), (RuleMessage{c.text, "Error", MessageIcon::Warning, -1}));
    }
}

TEST(NameRules, LengthInBytesThenSpaceThenForbiddenThenTheFirstLetter) {
    EXPECT_EQ(HostRefusal("NAS-1_a"), "");
    EXPECT_EQ(WorkGroupRefusal("abcdefghijklmno"), "");
    // Too long, with a space, forbidden characters and no leading letter: length wins.
    EXPECT_EQ(WorkGroupRefusal("1 work.group+xyz"), "The work group name can not exceed 15 characters.");
    // Eight characters of two bytes each; fifteen bytes in eight characters.
    EXPECT_EQ(HostRefusal("\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8"), kHostTooLong);
    EXPECT_EQ(HostRefusal("a\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7"), "");
    EXPECT_EQ(HostRefusal("1 n.s"), kHostSpace);
    EXPECT_EQ(HostRefusal("1n.s"), kHostForbidden);
    EXPECT_EQ(HostRefusal("_nas"), kHostLetter);
    EXPECT_EQ(HostRefusal("\xC3\xA9nas"), kHostLetter);  // a letter, but not an ASCII one
    // An empty text has no first letter; the callers ask for input before it gets here.
    EXPECT_EQ(HostRefusal(""), kHostLetter);
}

TEST(NameRules, TheThirtyForbiddenAndControlCharactersAndNothingElse) {
    const std::string forbidden = "!\"#$%&'()*+,./:;<=>?@[\\]^`{|}~";
    ASSERT_EQ(forbidden.size(), 30u);
    for (char c : forbidden) {
        SCOPED_TRACE(std::string(1, c));
        EXPECT_EQ(HostRefusal(std::string("na") + c + "s"), kHostForbidden);
        EXPECT_EQ(HostRefusal(std::string(1, c) + "nas"), kHostForbidden);  // before the letter test
    }
    // Every other printable character but the space may follow the first letter.
    for (int c = 0x21; c <= 0x7E; ++c) {
        if (forbidden.find(static_cast<char>(c)) != std::string::npos) continue;
        EXPECT_EQ(HostRefusal(std::string("a") + static_cast<char>(c)), "") << c;
    }
    for (int c = 0x80; c <= 0xFF; ++c) EXPECT_EQ(HostRefusal(std::string("a") + static_cast<char>(c)), "") << c;
    // A pasted tab or line break, or a NUL that would cut the name short on the wire.
    for (const char c : {'\0', '\t', '\n', '\r', '\x1F', '\x7F'}) {
        EXPECT_EQ(HostRefusal(std::string("na") + c + "s"), kHostForbidden) << static_cast<int>(c);
    }
}

}  // namespace
}  // namespace vidudi
