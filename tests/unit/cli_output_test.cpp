// What `vidudi list` prints for a device table.
#include <gtest/gtest.h>

#include <cstring>

#include "device_table_output.h"
#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"

namespace vidudi {
namespace {

constexpr std::uint8_t kId[10] = {};  // no column shows the identity

// An empty device table, and these local addresses.
void StartTable(std::initializer_list<const char*> localAddresses) {
    FreeDeviceList();
    std::memset(LocalAddressTable, 0, sizeof LocalAddressTable);
    g_nLocalAddressCount = 0;
    for (const char* address : localAddresses) CopyText(LocalAddressTable[g_nLocalAddressCount++], address);
}

// Columns line up under the header: a UTF-8 name takes one column per character, a name that
// is not UTF-8 one per byte.
TEST(CliOutputTest, TableIsAlignedUnderItsHeader) {
    StartTable({"10.77.1.2", "10.77.2.2"});
    AppendDeviceEntry("NAS-1", "10.77.1.10", "255.255.255.0", "10.77.1.1", kId, "1", 0);
    AppendDeviceEntry("Stor\"age\\2", "10.77.2.100", "255.255.0.0", "", kId, "0", 1);
    AppendDeviceEntry("Gr\xC3\xB6\xC3\x9F" "e-NAS", "10.77.1.11", "255.255.255.0", "", kId, "0", 0);  // Größe-NAS
    AppendDeviceEntry("Gr\xF6\xDF" "e-NAS-1", "10.77.1.12", "255.255.255.0", "", kId, "0", 0);  // Latin-1
    EXPECT_EQ(cli::FormatDeviceTable(),
              "NAME         ADDRESS      NETMASK        GATEWAY    DHCP  LOCAL ADDRESS\n"
              "NAS-1        10.77.1.10   255.255.255.0  10.77.1.1  yes   10.77.1.2\n"
              "Stor\"age\\2   10.77.2.100  255.255.0.0               no    10.77.2.2\n"
              "Gr\xC3\xB6\xC3\x9F" "e-NAS    10.77.1.11   255.255.255.0             no    10.77.1.2\n"
              "Gr\xF6\xDF" "e-NAS-1  10.77.1.12   255.255.255.0             no    10.77.1.2\n");
    StartTable({});
}

// Control characters from the network are shown, not obeyed: a name cannot start a new row,
// return to the line's start or send an escape sequence, and the columns stay aligned.
TEST(CliOutputTest, ControlCharactersAreShownAsEscapes) {
    EXPECT_EQ(cli::TerminalText("A\x1B[2J\rB\nC\tD\x7F\x01\x1F E\xC3\xB6\x80"),
              "A\\x1B[2J\\x0DB\\x0AC\\x09D\\x7F\\x01\\x1F E\xC3\xB6\x80");
    StartTable({"10.77.1.2"});
    AppendDeviceEntry("NAS\n10.0.0.9", "10.77.1.10", "255.255.255.0\x1B", "", kId, "0", 0);
    AppendDeviceEntry("NAS-2", "10.77.1.11", "255.255.255.0", "", kId, "0", 0);
    EXPECT_EQ(cli::FormatDeviceTable(),
              "NAME             ADDRESS     NETMASK            GATEWAY  DHCP  LOCAL ADDRESS\n"
              "NAS\\x0A10.0.0.9  10.77.1.10  255.255.255.0\\x1B           no    10.77.1.2\n"
              "NAS-2            10.77.1.11  255.255.255.0               no    10.77.1.2\n");
    StartTable({});
}

// CSV: quoted only where RFC 4180 needs it, quotes doubled, bytes that are not UTF-8 replaced.
TEST(CliOutputTest, CsvQuotesWhatNeedsIt) {
    StartTable({"10.77.1.2"});
    AppendDeviceEntry("Stor\"age, 2", "10.77.1.10", "255.255.255.0", "10.77.1.1", kId, "1", 0);
    AppendDeviceEntry("A\nB\rC", "10.77.1.11", "255.255.255.0", "", kId, "0", 0);
    AppendDeviceEntry("Gr\xF6\xDF" "e", "10.77.1.12", "255.255.255.0", "", kId, "0", 3);
    EXPECT_EQ(cli::FormatDeviceCsv(),
              "name,address,netmask,gateway,dhcp,local_address\r\n"
              "\"Stor\"\"age, 2\",10.77.1.10,255.255.255.0,10.77.1.1,yes,10.77.1.2\r\n"
              "\"A\nB\rC\",10.77.1.11,255.255.255.0,,no,10.77.1.2\r\n"
              "Gr\xEF\xBF\xBD\xEF\xBF\xBD" "e,10.77.1.12,255.255.255.0,,no,\r\n");
    StartTable({});
}

TEST(CliOutputTest, DeviceBytesAlwaysGiveValidJson) {
    auto line = [](const char* text) { return cli::JsonLine(cli::Json(text)); };
    EXPECT_EQ(line("Fot\xC3\xB3 \"\\"), "\"Fot\xC3\xB3 \\\"\\\\\"\n");
    EXPECT_EQ(line("a\x01\n"), "\"a\\u0001\\n\"\n");
    EXPECT_EQ(line("\xE9t\xE9"), "\"\xEF\xBF\xBDt\xEF\xBF\xBD\"\n");  // Latin-1 bytes are not UTF-8
    EXPECT_EQ(line("ab\xE2\x82"), "\"ab\xEF\xBF\xBD\"\n");            // a cut sequence at the end
}

}  // namespace
}  // namespace vidudi
