#include <QApplication>

#include "shell/layout.h"
#include "shell/module1.h"
#include "shell/startup.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kobanto"));
    // No display name of its own: X11 would append it to every caption. The
    // message boxes' caption falls back to the application name.
    QGuiApplication::setDesktopFileName(QStringLiteral("kobanto"));
    QApplication::setQuitOnLastWindowClosed(false);
    Layout::setupFonts();
    QApplication::setFont(Layout::font(9));

    const int assets = Startup::checkAssetsIfAsked();
    if (assets >= 0)
        return assets;
    Startup::watchFirstPaint();

    if (!Module1::show(FormId::Form4))
        Module1::show(FormId::Form1);
    return app.exec();
}
