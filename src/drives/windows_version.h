#pragma once
// The Windows version as one fixed English name. Callers only search it for "NT", "Vista",
// "98" and "ME", so the names must stay exactly as they are.
#include <string>

namespace vidudi {

// Asks the system afresh each time; "unknown Windows version" when it does not answer or
// reports a version the table does not name.
std::string GetWindowsVersionName();

}  // namespace vidudi
