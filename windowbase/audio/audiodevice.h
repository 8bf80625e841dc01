#pragma once
// The seam between SoundEffect and the audio module. The module (with Qt
// Multimedia and the sound system behind it) is loaded on first use, so a
// window can appear before any of it is linked in.
#include <QString>

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    virtual void play() = 0;
};

// Exported by the module; returns nullptr when no device can be made.
extern "C" {
using CreateAudioDeviceFn = AudioDevice *(*)(const QString &path);
}
#define KOBANTO_AUDIO_MODULE "kobanto_audio"
#define KOBANTO_AUDIO_FACTORY "kobanto_create_audio_device"
