#pragma once
// EngineSound: a quiet engine hum for the demo card's audio track, its pitch
// following the car's speed, with a little road noise. Continuous across
// calls (no clicks when the speed changes).
//
// Thread: one generator per thread.

#include <cstdint>

namespace kvmk
{

class EngineSound
{
public:
    explicit EngineSound(int sampleRate) : _rate(sampleRate) { }

    // Writes `count` mono samples (-1..1) of the engine at speedKmh.
    void render(float *out, int count, double speedKmh);

private:
    int _rate;
    double _phase = 0.0; // of the firing frequency, in turns
    double _noise = 0.0; // low-passed noise state
    uint32_t _seed = 12345;
};

} // namespace kvmk
