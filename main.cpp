#include <QApplication>

#include "shell/layout.h"
#include "shell/module1.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kobanto"));
    QApplication::setApplicationDisplayName(QStringLiteral("Kobanto"));
    QApplication::setQuitOnLastWindowClosed(false);
    Layout::setupFonts();
    QApplication::setFont(Layout::font(9));

    if (!Module1::show(FormId::Form4))
        Module1::show(FormId::Form1);
    return app.exec();
}
