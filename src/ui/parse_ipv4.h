#pragma once
#include <cstdint>

namespace vidudi::ui {

// Dotted text to an IPv4 address in network byte order, by the traditional inet_aton rules:
// one to four parts, each decimal, octal (leading 0) or hexadecimal (leading 0x); the last part
// fills the remaining bytes. Returns 1 and stores the address, or 0 and stores nothing.
int ParseIPv4Address(const char* text, std::uint32_t* address);

}  // namespace vidudi::ui
