#include <QApplication>

#include "cpu/form2.h"
#include "local/form1.h"
#include "net/form5.h"
#include "net/form8.h"
#include "net/form9.h"
#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/form7.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "shell/startup.h"

namespace {
// The window set knows nothing of the window classes; it is told here how to
// create each of the nine.
void registerWindows()
{
    Module1::registerForm(FormId::Form1, Module1::factoryOf<Form1>());
    Module1::registerForm(FormId::Form2, Module1::factoryOf<Form2>());
    Module1::registerForm(FormId::Form3, Module1::factoryOf<Form3>());
    Module1::registerForm(FormId::Form4, Module1::factoryOf<Form4>());
    Module1::registerForm(FormId::form5, Module1::factoryOf<form5>());
    Module1::registerForm(FormId::Form6, Module1::factoryOf<Form6>());
    Module1::registerForm(FormId::Form7, Module1::factoryOf<Form7>());
    Module1::registerForm(FormId::Form8, Module1::factoryOf<Form8>());
    Module1::registerForm(FormId::Form9, Module1::factoryOf<Form9>());
}
}  // namespace

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

    registerWindows();

    if (!Module1::show(FormId::Form4))
        Module1::show(FormId::Form1);
    return app.exec();
}
