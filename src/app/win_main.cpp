// Vidudi.exe: the Windows entry point. Picks the real backends and runs the application object.
#include <windows.h>

#include <conio.h>

#include "app/vidudi_app.h"
#include "platform/services.h"
#include "platform/single_instance.h"
#include "platform/win32/win32_services.h"
#include "protocol/network.h"
#include "protocol/requests.h"
#include "protocol/system_transport.h"
#include "toolkit/win32/win32_toolkit.h"

namespace {

// Trace lines go out with the runtime's console print: they show only when the process has a
// console, and a window program has none unless it is given one.
void TraceToConsole(const char* line) { _cprintf("%s", line); }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    vidudi::SetTraceSink(TraceToConsole);
    vidudi::toolkit::Win32Toolkit toolkit(instance);
    vidudi::toolkit::UseBackend(&toolkit);
    auto transport = vidudi::MakeSystemTransport();
    vidudi::UseTransport(transport.get());
    vidudi::platform::UseServices(vidudi::platform::Win32Services());
    auto singleInstance = vidudi::platform::MakeSingleInstance();
    return vidudi::app::CVidudiApp(*singleInstance).InitInstance();
}
