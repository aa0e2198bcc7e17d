// The CSV reader of `vidudi apply`: RFC 4180 fields, line numbers of the rows, refused headers.
#include <gtest/gtest.h>

#include "apply_file.h"

namespace vidudi::cli {
namespace {

TEST(ApplyFileTest, RowsWithTheirLines) {
    std::string problem;
    const ApplyFile file = ReadApplyFile(
        "device,name,workgroup\r\n"
        "NAS-1,\"New, \"\"one\"\"\",\r\n"
        "\n"
        "\"NAS\n2\",B\n"
        "NAS-3\n",
        problem);
    ASSERT_EQ(problem, "");
    ASSERT_EQ(file.rows.size(), 3u);
    EXPECT_EQ(file.rows[0].line, 2);
    EXPECT_EQ(file.rows[0].cells.at("name"), "New, \"one\"");
    EXPECT_EQ(file.rows[0].cells.at("workgroup"), "");
    EXPECT_EQ(file.rows[1].line, 4);  // after a blank line; its device spans two lines
    EXPECT_EQ(file.rows[1].cells.at("device"), "NAS\n2");
    EXPECT_EQ(file.rows[2].line, 6);
    EXPECT_EQ(file.rows[2].cells.at("name"), "");  // fields left out at the end are empty
}

TEST(ApplyFileTest, RefusedFiles) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "no header line"},
        {"device,colour\n", "line 1: unknown column 'colour' (columns: device, address, netmask, gateway, dhcp, name, workgroup)"},
        {"name,address\n", "line 1: there is no device column"},
        {"device,name,name\n", "line 1: the column 'name' is there twice"},
        {"device,name\nNAS-1,a,b\n", "line 2: more fields than the header has columns"},
        {"device\n\"NAS-1\n", "line 2: a quoted field is not closed"},
    };
    for (const auto& [text, expected] : cases) {
        std::string problem;
        ReadApplyFile(text, problem);
        EXPECT_EQ(problem, expected) << text;
    }
}

}  // namespace
}  // namespace vidudi::cli
