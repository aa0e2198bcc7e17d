// The host-name and work-group rules: which text is refused, with which message, and which rule
// wins when several apply.
#include <gtest/gtest.h>

#include "config/name_rules.h"

namespace vidudi {
namespace {

TEST(NameRules, FirstRefusalWithItsMessage) {
    const std::string forbidden =
        " can not include the following characters:\\ /:*?\"< >|.;+=~'[ ]{} @ # ()!'^$% & ,";
    const struct {
        std::string name;
        NameKind kind;
        std::string text;
    } cases[] = {
        {"1 work.group+xyz", NameKind::WorkGroup, "The work group name can not exceed 15 characters."},
        {"\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7\xCE\xB8", NameKind::HostName,
         "The host name can not exceed 15 characters."},  // counted in bytes
        {"1 n.s", NameKind::HostName, "The host name can not contain space."},
        {"1n.s", NameKind::HostName, "The host name" + forbidden},
        {"na~s", NameKind::WorkGroup, "The work group name" + forbidden},
        {std::string("na\0s", 4), NameKind::HostName, "The host name" + forbidden},
        {"na\ts", NameKind::HostName, "The host name" + forbidden},
        {"\xC3\xA9nas", NameKind::HostName, "The host name must begin with a letter."},
        {"1NAS", NameKind::WorkGroup, "The work group name must begin with a letter."},
        {"NAS-1_a", NameKind::HostName, ""},
        {"a\xCE\xB1\xCE\xB2\xCE\xB3\xCE\xB4\xCE\xB5\xCE\xB6\xCE\xB7", NameKind::HostName, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto message = CheckNameRules(c.name, c.kind);
        if (c.text.empty()) {
            EXPECT_FALSE(message.has_value());
        } else {
            EXPECT_EQ(message, (RuleMessage{c.text, "Error", MessageIcon::Warning, -1}));
        }
    }
}

}  // namespace
}  // namespace vidudi
