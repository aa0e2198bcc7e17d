#pragma once
// The device's own web management page, "http://" and its address, in the user's default
// browser as the machine's registry names it. The caller has already checked that the device
// answers; this part only finds the browser and starts it.
#include <string>

namespace vidudi {

// Where the default browser is registered (under the machine root): the key's default value is
// the browser's name, and the default value of NAME\shell\open\command below it is the
// browser's start command.
constexpr char kStartMenuInternetKey[] = "Software\\Clients\\StartMenuInternet";

// A browser name containing "IE" (exactly so, in capitals) is Internet Explorer: it is started
// as "explorer http://ADDRESS" and its own start command is not read. Any other browser's start
// command runs unchanged, quotes and arguments included, with one blank and the address after
// it. The command line starts hidden and is not waited for. When the system cannot find the
// program (codes 2, 3 and 11) "explorer http://ADDRESS" is tried once instead; any other
// outcome, success or not, ends it without a word to the user.
//
// Only a dotted address is put on a command line: anything else starts nothing.
void OpenWebPage(const std::string& deviceAddress);

}  // namespace vidudi
