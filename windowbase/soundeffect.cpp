#include "windowbase/soundeffect.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QLibrary>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

#include "windowbase/audio/audiodevice.h"

namespace {
int g_audio = -1;  // -1: not decided yet

// The audio module lies next to the executable; it is loaded once, on the
// first device. Without it the program plays silently.
CreateAudioDeviceFn audioFactory()
{
    static bool tried = false;
    static CreateAudioDeviceFn factory = nullptr;
    if (!tried) {
        tried = true;
        QLibrary module(QCoreApplication::applicationDirPath() + QStringLiteral("/" KOBANTO_AUDIO_MODULE));
        factory = reinterpret_cast<CreateAudioDeviceFn>(module.resolve(KOBANTO_AUDIO_FACTORY));
        if (!factory)
            std::fprintf(stderr, "kobanto: no sound (%s)\n", qPrintable(module.errorString()));
    }
    return factory;
}
}  // namespace

void SoundEffect::setAudioEnabled(bool enabled) { g_audio = enabled ? 1 : 0; }

bool SoundEffect::audioEnabled()
{
    if (g_audio < 0)
        g_audio = qEnvironmentVariable("KOBANTO_AUDIO") == QLatin1String("0") ? 0 : 1;
    return g_audio == 1;
}

SoundEffect::SoundEffect(QObject *parent) : QObject(parent) {}

SoundEffect::~SoundEffect()
{
    // The window being destroyed drops this filter by itself.
    m_waitingOn = nullptr;
    close();
}

void SoundEffect::open(const QString &path)
{
    close();
    m_path = path;
    m_open = true;
    m_playable = audioEnabled() && QFileInfo(path).isFile();
    if (!m_playable)
        return;
    // Opening the sound system costs more than drawing a window, so the
    // device is made once the owning window has shown its first frame.
    auto *owner = qobject_cast<QWidget *>(parent());
    QWidget *window = owner ? owner->window() : nullptr;
    if (window && !(window->windowHandle() && window->windowHandle()->isExposed())) {
        m_waitingOn = window;
        window->installEventFilter(this);
        return;
    }
    QTimer::singleShot(0, this, [this] { createDevice(); });
}

bool SoundEffect::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == m_waitingOn) {
        stopWaiting();
        // From the next turn of the event loop, after the frame is flushed.
        QTimer::singleShot(0, this, [this] { createDevice(); });
    }
    return false;
}

void SoundEffect::stopWaiting()
{
    if (m_waitingOn)
        m_waitingOn->removeEventFilter(this);
    m_waitingOn = nullptr;
}

void SoundEffect::createDevice()
{
    if (!m_open || !m_playable || m_device)
        return;
    stopWaiting();
    if (CreateAudioDeviceFn factory = audioFactory())
        m_device.reset(factory(m_path));
    if (m_device && m_pendingPlay)
        m_device->play();
    m_pendingPlay = false;
}

void SoundEffect::play()
{
    if (!m_open)
        return;
    emit played();
    if (!m_playable)
        return;
    if (m_device) {
        m_device->play();
        return;
    }
    // Asked to sound before the window was drawn: make the device now.
    m_pendingPlay = true;
    createDevice();
}

void SoundEffect::close()
{
    m_open = false;
    m_playable = false;
    m_pendingPlay = false;
    stopWaiting();
    m_device.reset();
}
