#pragma once
#include <string>

#include "config/address_rules.h"

namespace vidudi::cli {

// An address typed on the command line: four decimal numbers 0-255 separated by dots, and
// nothing else (no shorthand forms, no spaces, no sign).
bool ParseDottedQuad(const std::string& text, unsigned char (&octets)[4]);

// "A.B.C.D" for the four octets.
std::string DottedQuad(const Octets& octets);

}  // namespace vidudi::cli
