#include "tests/common/testkit.h"

#include <QCoreApplication>
#include <QEvent>
#include <QQueue>
#include <QTest>

#include "net/portmap.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/soundeffect.h"

namespace TestKit {
namespace {
QStringList g_boxes;
QQueue<bool> g_answers;
std::function<void(const QString &)> g_hook;
int g_ends = 0;
}  // namespace

void init()
{
    SoundEffect::setAudioEnabled(false);
    // Tests talk to no router but the lab's own.
    PortMap::setEnabled(false);
    Layout::setupFonts();
    Module1::setEndHook([] { ++g_ends; });
    MsgBox::setHandler([](const QString &text, MsgBox::Kind kind) {
        g_boxes << text;
        if (g_hook)
            g_hook(text);
        // A notice has only OK; a question with no answer queued is answered No.
        if (kind == MsgBox::Kind::Notice)
            return true;
        return !g_answers.isEmpty() && g_answers.dequeue();
    });
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void reset()
{
    Module1::resetForTests();
    Layout::setProgramDir(QString());
    settle();
    g_boxes.clear();
    g_answers.clear();
    g_hook = nullptr;
    g_ends = 0;
}

QStringList boxTexts() { return g_boxes; }

void clearBoxes() { g_boxes.clear(); }

void queueAnswers(std::initializer_list<bool> answers)
{
    for (bool a : answers)
        g_answers.enqueue(a);
}

void setBoxHook(std::function<void(const QString &)> hook) { g_hook = std::move(hook); }

QList<int> loadedWindows()
{
    QList<int> out;
    for (int id = 0; id < formCount; ++id)
        if (Module1::loaded(FormId(id)))
            out << id;
    return out;
}

int endCount() { return g_ends; }

void WindowTest::initTestCase()
{
    init();
    registerAllWindows();
    for (FormId id : {FormId::form5, FormId::Form8})
        Module1::registerForm(id, [id] { return new KWindow(id); });
}

void doubleClick(QWidget *w)
{
    QTest::mouseClick(w, Qt::LeftButton);
    QTest::mouseDClick(w, Qt::LeftButton);
    QTest::mouseRelease(w, Qt::LeftButton);
}
}  // namespace TestKit
