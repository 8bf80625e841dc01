#include <QApplication>
#include <cstdio>

#include "app/commandline.h"
#include "app/windows.h"
#include "net/portmap.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/startup.h"

int main(int argc, char *argv[])
{
    // Before the application object: "--help" needs no display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Outcome cmd = CommandLine::parse(args);
    if (!cmd.start) {
        std::fputs(cmd.out.toLocal8Bit().constData(), stdout);
        std::fputs(cmd.err.toLocal8Bit().constData(), stderr);
        return cmd.exitStatus;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kobanto"));
    // No display name of its own: X11 would append it to every caption. The
    // message boxes' caption falls back to the application name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kobanto.Kobanto"));
    QApplication::setQuitOnLastWindowClosed(false);
    Layout::setupFonts();
    QApplication::setFont(Layout::font(9));

    const int assets = Startup::checkAssetsIfAsked();
    if (assets >= 0)
        return assets;
    Startup::watchFirstPaint();

    // KOBANTO_PORTMAP=0: the host window never asks the router (checks that
    // host on this machine's own network).
    if (qEnvironmentVariable("KOBANTO_PORTMAP") == QLatin1String("0"))
        PortMap::setEnabled(false);
    registerAllWindows();
    CommandLine::openFirstWindow(cmd.firstWindow);
    return app.exec();
}
