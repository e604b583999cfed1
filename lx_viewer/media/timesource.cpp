#include "timesource.h"

#include <atomic>
#include <chrono>
#include <memory>

namespace kvm
{

namespace
{
// Replaced only while no player runs; read through an atomic pointer so a
// reader never sees a half-written function object.
std::atomic<std::function<qint64()> *> g_source{nullptr};
} // namespace

qint64 nowNs()
{
    if (auto *source = g_source.load(std::memory_order_acquire))
        return (*source)();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void setTimeSourceForTests(std::function<qint64()> source)
{
    // The old function object is leaked on purpose: a reader may still be
    // inside it. Tests replace the source a handful of times.
    g_source.store(source ? new std::function<qint64()>(std::move(source)) : nullptr,
        std::memory_order_release);
}

} // namespace kvm
