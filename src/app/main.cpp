// gridcarver: the desktop program.
#include "AppMessages.h"
#include "Application.h"

#include "core/Version.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("Gridcarver");
    QApplication::setOrganizationName("Gridcarver");
    QApplication::setApplicationVersion(gc::VersionNumber());

    gc::Application app;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (!app.InitInstance(arguments)) {
        std::fprintf(stderr, "%s%s\n", gc::MSG_CANNOT_OPEN_ARGUMENT, app.GetFailedArgument().c_str());
        return 1;
    }
    return QApplication::exec();
}
