// vidudi-gui: the window on the Linux desktop. Picks the Qt backend and the Linux services and
// runs the same application object as Vidudi.exe.
#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

#include "app/vidudi_app.h"
#include "platform/posix/posix_services.h"
#include "protocol/network.h"
#include "protocol/system_transport.h"
#include "toolkit/qt/qt_toolkit.h"

namespace {

constexpr char kInstalledResources[] = "/usr/share/vidudi/res";

// The images and the resource script: in "res" beside the program (a build tree, a folder
// unpacked anywhere), else where an installation under the same prefix puts them
// (PREFIX/bin, PREFIX/share/vidudi/res), else where the package puts them.
QString ResourceFolder() {
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {program.filePath("res"), program.filePath("../share/vidudi/res")}) {
        if (QFileInfo::exists(candidate + "/vidudi.rc")) return QDir::cleanPath(candidate);
    }
    return kInstalledResources;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(vidudi::app::kProductTitle);
    QApplication::setDesktopFileName("vidudi-gui");
    const QString folder = ResourceFolder();
    try {
        vidudi::toolkit::QtToolkit toolkit(folder.toStdString());
        vidudi::toolkit::UseBackend(&toolkit);
        auto transport = vidudi::MakeSystemTransport();
        vidudi::UseTransport(transport.get());
        vidudi::platform::UseServices(vidudi::platform::PosixServices());
        auto singleInstance = vidudi::platform::MakeLockFileInstance();
        return vidudi::app::CVidudiApp(*singleInstance).InitInstance();
    } catch (const std::runtime_error& error) {
        // Without its resources there is no window to show: say why on the terminal.
        std::fprintf(stderr, "vidudi-gui: %s (resources looked for in %s)\n", error.what(),
                     folder.toStdString().c_str());
        return 1;
    }
}
