#include "types.h"

#include <atomic>

namespace kvm
{

namespace
{
std::atomic<int> g_frameSkip{0};
}

void setFrameSkip(int n)
{
    g_frameSkip.store(n > 0 ? n : 0);
}

int frameSkip()
{
    return g_frameSkip.load(std::memory_order_relaxed);
}

} // namespace kvm
