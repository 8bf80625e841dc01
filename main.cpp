#include <QApplication>
#include <cstdio>

#include "cpu/form2.h"
#include "local/form1.h"
#include "net/form5.h"
#include "net/form8.h"
#include "net/form9.h"
#include "shell/commandline.h"
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

    registerWindows();
    CommandLine::openFirstWindow(cmd.firstWindow);
    return app.exec();
}
