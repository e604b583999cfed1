#pragma once
// The one monotonic time source of the process. Every AVClock reads it, so
// two clocks given the same value at the same moment read the same time for
// as long as they run at the same speed.
//
// Tests may replace it (setTimeSourceForTests) to drive clocks
// deterministically; nullptr restores the steady clock.
//
// Thread: nowNs() may be called from any thread. Replace the source only
// while no player runs (tests do it before creating players).

#include <QtGlobal>

#include <functional>

namespace kvm
{

// Nanoseconds on the process's monotonic time line.
qint64 nowNs();

void setTimeSourceForTests(std::function<qint64()> source);

} // namespace kvm
