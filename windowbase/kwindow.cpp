#include "windowbase/kwindow.h"

#include <QCloseEvent>
#include <QIcon>
#include <QPointer>

#include "windowbase/announcer.h"
#include "windowbase/layout.h"
#include "windowbase/msgbox.h"

KWindow::KWindow(FormId id, QWidget *parent) : QWidget(parent), m_id(id)
{
    // Before this window's accessible interface is first asked for: a frame.
    Announcer::installAccessibility();
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(QIcon(Layout::builtInPicture(QStringLiteral(":/res/kobanto.png"))));
    setFont(Layout::font(9));
}

void KWindow::Form_QueryUnload(bool &, int) {}

bool KWindow::confirmQuit(bool &cancel, int unloadMode)
{
    if (unloadMode != 0)
        return false;
    const Answer answer = ask(QStringLiteral("終了しますか？"));
    if (answer == Answer::No)
        cancel = true;
    return answer == Answer::Yes;
}

bool KWindow::survivesNotice(const QString &text)
{
    QPointer<KWindow> self(this);
    MsgBox::notice(text);
    return self && !self->m_unloaded;
}

KWindow::Answer KWindow::ask(const QString &text)
{
    QPointer<KWindow> self(this);
    const bool yes = MsgBox::ask(text);
    if (!self || self->m_unloaded)
        return Answer::Gone;
    return yes ? Answer::Yes : Answer::No;
}

void KWindow::quitProgram()
{
    releaseDevices();
    emit quitRequested();
}

void KWindow::setCaptionAndSize(const QString &caption, int widthTwips, int heightTwips)
{
    setWindowTitle(caption);
    Layout::setFixedClientSize(this, widthTwips, heightTwips);
}

void KWindow::closeEvent(QCloseEvent *event)
{
    // The program never closes its windows through close(): it unloads them
    // through the window set. So every close event is the user's close box.
    event->ignore();
    if (m_unloaded || m_inCloseRequest)
        return;
    QPointer<KWindow> self(this);
    m_inCloseRequest = true;
    bool cancel = false;
    Form_QueryUnload(cancel, 0);
    if (!self)
        return;
    m_inCloseRequest = false;
    if (!cancel && !m_unloaded)
        emit unloadRequested();
}
