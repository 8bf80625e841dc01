// The audio module: one short wave effect over QSoundEffect.
#include <QSoundEffect>
#include <QUrl>

#include "windowbase/audio/audiodevice.h"

namespace {
class SoundEffectDevice final : public AudioDevice {
public:
    explicit SoundEffectDevice(const QString &path) : m_effect(new QSoundEffect)
    {
        m_effect->setSource(QUrl::fromLocalFile(path));
    }
    ~SoundEffectDevice() override
    {
        m_effect->stop();
        // It may still be delivering a signal of its own.
        m_effect->deleteLater();
    }
    void play() override { m_effect->play(); }

private:
    QSoundEffect *m_effect;
};
}  // namespace

extern "C" Q_DECL_EXPORT AudioDevice *kobanto_create_audio_device(const QString &path)
{
    return new SoundEffectDevice(path);
}
