#include "timesource.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace kvm
{

namespace
{
// Replaced only while no player runs; read through an atomic pointer so a
// reader never sees a half-written function object.
std::atomic<std::function<qint64()> *> g_source{nullptr};

// Every source ever installed stays alive until the process ends (a reader
// may still be inside a replaced one), owned here rather than leaked.
std::mutex g_keptMutex;
std::vector<std::unique_ptr<std::function<qint64()>>> &keptSources()
{
    static std::vector<std::unique_ptr<std::function<qint64()>>> kept;
    return kept;
}
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
    // Tests replace the source a handful of times; the old ones are kept.
    std::function<qint64()> *fresh = nullptr;
    if (source) {
        std::lock_guard<std::mutex> lock(g_keptMutex);
        keptSources().push_back(std::make_unique<std::function<qint64()>>(std::move(source)));
        fresh = keptSources().back().get();
    }
    g_source.store(fresh, std::memory_order_release);
}

} // namespace kvm
