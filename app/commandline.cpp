#include "app/commandline.h"

#include <QCommandLineParser>

#include "windowbase/modes.h"
#include "windowbase/module1.h"

#ifndef KOBANTO_VERSION
#define KOBANTO_VERSION "0"
#endif

namespace CommandLine {
namespace {
QString helpText()
{
    QString text = QStringLiteral(
        "Usage: kobanto [--mode MODE] [--no-port-mapping]\n"
        "Reversi with a Japanese user interface. Without options it starts with the opening screen.\n"
        "\n"
        "Options:\n"
        "  --mode MODE    skip the opening and open one way to play:\n");
    for (const Modes::Mode &m : Modes::all)
        text += QStringLiteral("                   %1  %2\n")
                    .arg(QLatin1String(m.option), -7)
                    .arg(QString::fromUtf8(m.title));
    text += QStringLiteral(
        "  --no-port-mapping\n"
        "                 never ask the home router (UPnP, NAT-PMP) to open the host's port\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n");
    return text;
}

// Options every Qt program takes (QApplication consumes them later); the
// session manager restarts a program with "-session".
const char *const kQtOptionsWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title",         "name"};
const char *const kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

void acceptQtOptions(QCommandLineParser &parser)
{
    for (const char *name : kQtOptionsWithValue) {
        QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
    for (const char *name : kQtFlags) {
        QCommandLineOption o(QString::fromLatin1(name));
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(o);
    }
}

Outcome failure(const QString &why)
{
    Outcome o;
    o.start = false;
    o.exitStatus = 2;
    o.err = QStringLiteral("kobanto: %1\nTry 'kobanto --help' for the options.\n").arg(why);
    return o;
}
}  // namespace

Outcome parse(const QStringList &args)
{
    QCommandLineParser parser;
    // "-platform" is one unknown option, not the letters p, l, a, ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption mode(QStringLiteral("mode"), QString(), QStringLiteral("MODE"));
    parser.addOption(help);
    parser.addOption(version);
    const QCommandLineOption noPortMapping(QStringLiteral("no-port-mapping"));
    parser.addOption(mode);
    parser.addOption(noPortMapping);
    acceptQtOptions(parser);
    if (!parser.parse(args))
        return failure(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    Outcome o;
    o.portMapping = !parser.isSet(noPortMapping);
    if (parser.isSet(help)) {
        o.start = false;
        o.out = helpText();
        return o;
    }
    if (parser.isSet(version)) {
        o.start = false;
        o.out = QStringLiteral("kobanto " KOBANTO_VERSION "\n");
        return o;
    }
    if (!parser.isSet(mode))
        return o;
    const QStringList given = parser.values(mode);
    if (given.size() > 1)
        return failure(QStringLiteral("--mode given more than once"));
    for (const Modes::Mode &m : Modes::all) {
        if (given.first() == QLatin1String(m.option)) {
            o.firstWindow = m.window;
            return o;
        }
    }
    return failure(QStringLiteral("unknown mode '%1' (choose local, cpu, server or client)").arg(given.first()));
}

KWindow *openFirstWindow(FormId first)
{
    if (KWindow *w = Module1::show(first))
        return w;
    return first == FormId::Form4 ? Module1::show(FormId::Form1) : nullptr;
}
}  // namespace CommandLine
