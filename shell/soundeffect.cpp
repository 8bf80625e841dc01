#include "shell/soundeffect.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace {
int g_audio = -1;  // -1: not decided yet
}

void SoundEffect::setAudioEnabled(bool enabled) { g_audio = enabled ? 1 : 0; }

bool SoundEffect::audioEnabled()
{
    if (g_audio < 0)
        g_audio = qEnvironmentVariable("KOBANTO_AUDIO") == QLatin1String("0") ? 0 : 1;
    return g_audio == 1;
}

SoundEffect::SoundEffect(QObject *parent) : QObject(parent) {}

SoundEffect::~SoundEffect() { close(); }

void SoundEffect::open(const QString &path)
{
    close();
    m_path = path;
    m_open = true;
    if (!audioEnabled() || !QFileInfo(path).isFile())
        return;
    // The audio device is opened from the event loop, once the window that
    // asked for it has had its chance to appear.
    QTimer::singleShot(0, this, [this] { createDevice(); });
}

void SoundEffect::createDevice()
{
    if (!m_open || m_effect)
        return;
    m_effect = new QSoundEffect(this);
    m_effect->setSource(QUrl::fromLocalFile(m_path));
    if (m_pendingPlay) {
        m_pendingPlay = false;
        m_effect->play();
    }
}

void SoundEffect::play()
{
    if (!m_open)
        return;
    ++m_plays;
    if (m_effect)
        m_effect->play();
    else
        m_pendingPlay = audioEnabled();
}

void SoundEffect::close()
{
    m_open = false;
    m_pendingPlay = false;
    if (m_effect) {
        m_effect->stop();
        m_effect->deleteLater();
        m_effect = nullptr;
    }
}
