// vidudi-gui: the window on the Linux desktop. Picks the Qt backend and the Linux services and
// runs the same application object as Vidudi.exe.
#include "app/vidudi_app.h"
#include "platform/posix/posix_services.h"
#include "protocol/network.h"
#include "protocol/system_transport.h"
#include "toolkit/qt/qt_program.h"

int main(int argc, char** argv) {
    return vidudi::toolkit::RunWithQt(argc, argv, vidudi::app::kProductTitle, "vidudi-gui", [] {
        auto transport = vidudi::MakeSystemTransport();
        vidudi::UseTransport(transport.get());
        vidudi::platform::UseServices(vidudi::platform::PosixServices());
        auto singleInstance = vidudi::platform::MakeLockFileInstance();
        return vidudi::app::CVidudiApp(*singleInstance).InitInstance();
    });
}
