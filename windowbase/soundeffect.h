#pragma once
// A window's short wave effect: open a file, play it, close the device.
// No result is ever reported: without a file or an audio device the window
// simply stays silent.
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class AudioDevice;
class QWidget;

class SoundEffect : public QObject {
    Q_OBJECT
public:
    explicit SoundEffect(QObject *parent = nullptr);
    ~SoundEffect() override;

    void open(const QString &path);
    void play();
    void close();

    bool isOpen() const { return m_open; }

    // Off: no audio device is touched at all (tests, and KOBANTO_AUDIO=0).
    static void setAudioEnabled(bool enabled);
    static bool audioEnabled();

signals:
    // play() was issued while open, heard or not (no file, no device).
    void played();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createDevice();
    void stopWaiting();

    QString m_path;
    bool m_open = false;
    bool m_playable = false;  // audio on and the file exists
    bool m_pendingPlay = false;
    std::unique_ptr<AudioDevice> m_device;
    // The window whose first frame the device waits for.
    QPointer<QWidget> m_waitingOn;
};
