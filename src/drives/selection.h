#pragma once
// The chosen device, as the device-list click records it for the other sections.
#include <string>

namespace vidudi {

extern std::string g_strSelectedName;  // column 0 of the clicked row
extern char g_szSelectedIP[16];        // column 1: the address for drive mapping and the web page

}  // namespace vidudi
