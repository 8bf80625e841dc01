#pragma once
// Base of every window of the program: its identity in the window set, the
// load/close-request/unload handlers, and closing from the title bar.
#include <QWidget>

enum class FormId { Form1, Form2, Form3, Form4, form5, Form6, Form7, Form8, Form9 };
constexpr int formCount = 9;

class KWindow : public QWidget {
    Q_OBJECT
public:
    explicit KWindow(FormId id, QWidget *parent = nullptr);
    FormId formId() const { return m_id; }

    // Runs once, right after the window is created by the window set.
    virtual void Form_Load() {}
    // unloadMode 0: the user closes the window; anything else: the program.
    // Setting cancel keeps the window open.
    virtual void Form_QueryUnload(bool &cancel, int unloadMode);
    // Runs when the window set discards the window: stop timers, release
    // devices and sockets so nothing fires into a window on its way out.
    virtual void Form_Unload() {}

    bool isUnloaded() const { return m_unloaded; }

    // The title-bar close of most windows: asks "終了しますか？". True when
    // the user answered Yes and the window is still there to quit from;
    // No sets cancel. Program unloads (mode other than 0) ask nothing.
    bool confirmQuit(bool &cancel, int unloadMode);
    void markUnloaded() { m_unloaded = true; }

    // A box runs a nested event loop in which this window may be unloaded
    // (and deleted). These show one and report whether the window is still
    // there to go on; a caller that gets "gone" must return at once.
    [[nodiscard]] bool survivesNotice(const QString &text);
    enum class Answer { Yes, No, Gone };
    [[nodiscard]] Answer ask(const QString &text);

    // Quitting the program from this window: release its devices, unload
    // every window, end. Nothing of the program runs afterwards.
    void quitProgram();

signals:
    // To the window set that made the window, which answers at once: the
    // user closed it and nothing cancelled; the program quits from it.
    void unloadRequested();
    void quitRequested();

protected:
    // What quitting releases (sound device, socket); nothing by default.
    virtual void releaseDevices() {}
    void closeEvent(QCloseEvent *event) override;
    void setCaptionAndSize(const QString &caption, int widthTwips, int heightTwips);

private:
    FormId m_id;
    bool m_unloaded = false;
    bool m_inCloseRequest = false;
};
