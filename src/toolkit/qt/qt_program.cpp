#include "toolkit/qt/qt_program.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <stdexcept>

#include "toolkit/qt/qt_toolkit.h"

namespace vidudi::toolkit {

namespace {

constexpr char kInstalledResources[] = "/usr/share/vidudi/res";

}  // namespace

std::string ResourceFolder() {
    const QDir program(QCoreApplication::applicationDirPath());
    for (const QString& candidate : {program.filePath("res"), program.filePath("../share/vidudi/res")}) {
        if (QFileInfo::exists(candidate + "/vidudi.rc")) return QDir::cleanPath(candidate).toStdString();
    }
    return kInstalledResources;
}

int RunWithQt(int argc, char** argv, const std::string& applicationName, const std::string& desktopName,
              const std::function<int()>& program) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(applicationName));
    QApplication::setDesktopFileName(QString::fromStdString(desktopName));
    const std::string folder = ResourceFolder();
    try {
        QtToolkit toolkit(folder);
        UseBackend(&toolkit);
        const int code = program();
        UseBackend(nullptr);
        return code;
    } catch (const std::runtime_error& error) {
        UseBackend(nullptr);
        std::fprintf(stderr, "%s: %s (resources looked for in %s)\n", desktopName.c_str(), error.what(), folder.c_str());
        return 1;
    }
}

}  // namespace vidudi::toolkit
