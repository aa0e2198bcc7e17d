#pragma once
#include <string>

namespace vidudi::cli {

// An address typed on the command line: four decimal numbers 0-255 separated by dots, and
// nothing else (no shorthand forms, no spaces, no sign).
bool ParseDottedQuad(const std::string& text, unsigned char (&octets)[4]);

}  // namespace vidudi::cli
