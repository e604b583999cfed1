#include "nullrenderer.h"

#include "timesource.h"

namespace kvm
{

NullRenderer::NullRenderer() = default;

NullRenderer::~NullRenderer()
{
    detachFromPlayer();
}

void NullRenderer::setReadFrameNumbers(bool on)
{
    std::lock_guard lock(_recordMutex);
    _readNumbers = on;
}

void NullRenderer::onFrame(const VideoFrame &frame)
{
    if (!frame.isValid())
        return;
    Record r;
    r.pts = frame.pts();
    r.serial = frame.serial();
    r.width = frame.width();
    r.height = frame.height();
    r.format = int(frame.pixelFormat());
    r.atNs = nowNs();
    bool read;
    {
        std::lock_guard lock(_recordMutex);
        read = _readNumbers;
    }
    if (read)
        r.frameNumber = frame.frameNumber();
    std::lock_guard lock(_recordMutex);
    _records.append(r);
}

QList<NullRenderer::Record> NullRenderer::records() const
{
    std::lock_guard lock(_recordMutex);
    return _records;
}

NullRenderer::Record NullRenderer::lastRecord() const
{
    std::lock_guard lock(_recordMutex);
    return _records.isEmpty() ? Record() : _records.last();
}

int NullRenderer::count() const
{
    std::lock_guard lock(_recordMutex);
    return int(_records.size());
}

void NullRenderer::clear()
{
    std::lock_guard lock(_recordMutex);
    _records.clear();
}

} // namespace kvm
