#include "windowbase/msgbox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace MsgBox {
namespace {
Handler g_handler;
int g_open = 0;
std::vector<std::function<void()>> g_waiters;

struct OpenScope {
    OpenScope() { ++g_open; }
    ~OpenScope()
    {
        if (--g_open == 0 && !g_waiters.empty()) {
            auto waiters = std::move(g_waiters);
            g_waiters.clear();
            // Run after the handler that opened the box has finished.
            for (auto &w : waiters)
                QMetaObject::invokeMethod(qApp, std::move(w), Qt::QueuedConnection);
        }
    }
};

bool show(const QString &text, Kind kind)
{
    OpenScope scope;
    if (g_handler)
        return g_handler(text, kind);

    QMessageBox box;
    box.setWindowTitle(QApplication::applicationDisplayName());
    box.setText(text);
    box.setWindowModality(Qt::ApplicationModal);
    if (kind == Kind::Notice) {
        box.setIcon(QMessageBox::NoIcon);
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
        return true;
    }
    box.setIcon(QMessageBox::Warning);  // the exclamation mark
    QPushButton *yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
}  // namespace

void notice(const QString &text) { show(text, Kind::Notice); }
bool ask(const QString &text) { return show(text, Kind::Question); }
int openCount() { return g_open; }

void onAllClosed(std::function<void()> callback)
{
    if (g_open == 0)
        QMetaObject::invokeMethod(qApp, std::move(callback), Qt::QueuedConnection);
    else
        g_waiters.push_back(std::move(callback));
}

void setHandler(Handler handler) { g_handler = std::move(handler); }
}  // namespace MsgBox
