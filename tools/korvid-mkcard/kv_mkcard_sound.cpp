#include "kv_mkcard_sound.h"

#include <cmath>
#include <numbers>

namespace kvmk
{

void EngineSound::render(float *out, int count, double speedKmh)
{
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    const double frequency = 45.0 + 1.2 * speedKmh; // idle about 45 Hz
    const double level = 0.04 + 0.0004 * speedKmh;
    for (int i = 0; i < count; ++i) {
        _phase += frequency / _rate;
        _phase -= std::floor(_phase);
        const double a = kTwoPi * _phase;
        const double hum = std::sin(a) + 0.5 * std::sin(2.0 * a) + 0.25 * std::sin(3.0 * a);
        _seed = _seed * 1664525u + 1013904223u; // plain LCG: cheap and repeatable
        const double white = (_seed >> 8) / double(1u << 24) * 2.0 - 1.0;
        _noise += 0.05 * (white - _noise);
        out[i] = static_cast<float>(level * (hum / 1.75) + 0.3 * level * _noise);
    }
}

} // namespace kvmk
