// The program's two sound effects, synthesised from fixed numbers and a
// fixed-seed noise generator.
#include "tools/sounds.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// xorshift32: tiny, and the same sequence on every machine.
class Noise {
public:
    explicit Noise(quint32 seed) : m_s(seed) {}
    double next()  // uniform in [-1, 1)
    {
        m_s ^= m_s << 13;
        m_s ^= m_s >> 17;
        m_s ^= m_s << 5;
        return double(m_s) / 2147483648.0 - 1.0;
    }

private:
    quint32 m_s;
};

// Scales to the given peak, ramps the very end down to silence so the
// speaker does not tick when playback stops, and quantises.
std::vector<qint16> finish(std::vector<double> s, double peak, double fadeSeconds)
{
    const size_t fade = size_t(fadeSeconds * kRate);
    for (size_t i = 0; i < fade && i < s.size(); ++i)
        s[s.size() - 1 - i] *= double(i) / double(fade);
    double top = 0.0;
    for (double v : s)
        top = std::max(top, std::fabs(v));
    const double k = top > 0.0 ? peak * 32767.0 / top : 0.0;
    std::vector<qint16> out(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = qint16(std::lround(s[i] * k));
    return out;
}

}  // namespace

// A disc set down on the board: a handful of quickly damped wooden
// resonances struck by a very short click.
std::vector<qint16> placeSound()
{
    const size_t n = size_t(0.075 * kRate);
    struct Mode {
        double freq, amp, tau;
    };
    const Mode modes[] = {
        {380.0, 0.55, 0.016},
        {1130.0, 0.85, 0.010},
        {2260.0, 0.45, 0.006},
        {3720.0, 0.22, 0.0035},
    };
    Noise noise(0x6b6f6275u);
    std::vector<double> s(n);
    double prev = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        double v = 0.0;
        for (const Mode &m : modes)
            v += m.amp * std::exp(-t / m.tau) * std::sin(2.0 * kPi * m.freq * t);
        // The click is differentiated noise: bright, with no low rumble.
        const double w = noise.next();
        v += 0.35 * (w - prev) * std::exp(-t / 0.0015);
        prev = w;
        // Half a millisecond of attack keeps the first sample from snapping.
        v *= std::min(1.0, t / 0.0005);
        s[i] = v;
    }
    return finish(std::move(s), 0.55, 0.006);
}

// A bang: a burst of noise that starts bright and darkens as it decays,
// a longer dull rumble under it, and a thump falling in pitch.
std::vector<qint16> bangSound()
{
    const size_t n = size_t(0.68 * kRate);
    Noise noise(0x42414e47u);
    std::vector<double> s(n);
    double burst = 0.0, rumble = 0.0, phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        const double w = noise.next();

        // One-pole low-pass whose corner slides down as the bang fades.
        const double a = 0.06 + 0.54 * std::exp(-t / 0.06);
        burst += a * (w - burst);
        rumble += 0.02 * (w - rumble);

        const double freq = 42.0 + 90.0 * std::exp(-t / 0.05);
        phase += 2.0 * kPi * freq / kRate;

        const double attack = std::min(1.0, t / 0.002);
        s[i] = attack * (0.9 * burst * std::exp(-t / 0.10) + 4.0 * rumble * std::exp(-t / 0.22) +
                         0.8 * std::sin(phase) * std::exp(-t / 0.16));
    }
    return finish(std::move(s), 0.6, 0.03);
}
