#include "windowbase/module1.h"

#include <QApplication>
#include <QPointer>
#include <cstdio>
#include <unistd.h>

namespace Module1 {
namespace {
struct Slot {
    Factory factory;
    QPointer<KWindow> window;
};
Slot &slot(FormId id)
{
    static Slot table[formCount];
    return table[static_cast<int>(id)];
}

struct Settings {
    qint16 portNumber = 0;
    QString hostAddress;
    QString playerName;
};
Settings &settings()
{
    static Settings s;
    return s;
}

bool g_ending = false;
std::function<void()> g_endHook;
}  // namespace

void registerForm(FormId id, Factory factory) { slot(id).factory = std::move(factory); }

bool registered(FormId id) { return static_cast<bool>(slot(id).factory); }

KWindow *loaded(FormId id)
{
    KWindow *w = slot(id).window.data();
    return (w && !w->isUnloaded()) ? w : nullptr;
}

KWindow *load(FormId id)
{
    if (g_ending)
        return nullptr;
    if (KWindow *w = loaded(id))
        return w;
    Slot &s = slot(id);
    if (!s.factory)
        return nullptr;
    KWindow *w = s.factory();
    s.window = w;
    QObject::connect(w, &KWindow::unloadRequested, w, [id] { unload(id); });
    QObject::connect(w, &KWindow::quitRequested, w, [] {
        allunload();
        endProgram();
    });
    QPointer<KWindow> guard(w);
    w->Form_Load();
    return (guard && !guard->isUnloaded()) ? guard.data() : nullptr;
}

KWindow *show(FormId id)
{
    KWindow *w = load(id);
    if (!w)
        return nullptr;
    w->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        w->raise();
        if (!w->testAttribute(Qt::WA_ShowWithoutActivating))  // the chat window: the focus stays
            w->activateWindow();
    }
    return w;
}

void hide(FormId id)
{
    if (KWindow *w = loaded(id))
        w->hide();
}

void unload(FormId id)
{
    KWindow *w = loaded(id);
    if (!w)
        return;
    w->markUnloaded();
    slot(id).window = nullptr;
    w->Form_Unload();
    w->hide();
    // Deleted from the event loop: the handler that asked for the unload may
    // still be running inside this window.
    w->deleteLater();
}

void allunload()
{
    for (int i = 0; i < formCount; ++i)
        unload(static_cast<FormId>(i));
}

void endProgram()
{
    g_ending = true;
    if (g_endHook) {
        g_endHook();
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    // Pending timer ticks, socket events and clicks are dropped with the process.
    ::_exit(0);
}

void setEndHook(std::function<void()> hook) { g_endHook = std::move(hook); }

void resetForTests()
{
    allunload();
    g_ending = false;
    settings() = Settings();
}

void setserverdata(const QString &name, qint16 port)
{
    settings().portNumber = port;
    settings().playerName = name;
}

void setclientdata(const QString &name, qint16 port, const QString &host)
{
    settings().portNumber = port;
    settings().playerName = name;
    settings().hostAddress = host;
}

qint16 getport() { return settings().portNumber; }
QString gethost() { return settings().hostAddress; }
QString getname() { return settings().playerName; }
}  // namespace Module1
