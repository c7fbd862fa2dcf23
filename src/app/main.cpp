// gridcarver: the desktop program.
#include "TIFFApp.h"

#include "core/Version.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Gridcarver");
    QApplication::setOrganizationName("Gridcarver");
    QApplication::setApplicationVersion(gc::VersionNumber());

    gc::TIFFApp app;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!app.InitInstance(arguments))
        return 1;
    return QApplication::exec();
}
