#include "videorenderer.h"

#include "avplayer.h"
#include "nullrenderer.h"

#include <QHash>
#include <QMutex>

#include <cmath>

namespace kvm
{

namespace
{

struct Registry {
    QMutex mutex;
    QHash<QString, VideoRenderer::Factory> factories;
    QStringList order;
};

Registry &registry()
{
    static Registry *r = [] {
        auto *reg = new Registry;
        reg->factories.insert(QStringLiteral("Null"), [] { return new NullRenderer; });
        reg->order << QStringLiteral("Null");
        return reg;
    }();
    return *r;
}

} // namespace

VideoRenderer *VideoRenderer::create(const QString &id)
{
    Factory factory;
    {
        Registry &r = registry();
        QMutexLocker lock(&r.mutex);
        factory = r.factories.value(id);
    }
    return factory ? factory() : nullptr;
}

void VideoRenderer::registerRenderer(const QString &id, const Factory &factory)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    if (!r.factories.contains(id))
        r.order << id;
    r.factories.insert(id, factory);
}

QStringList VideoRenderer::registeredIds()
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return r.order;
}

VideoRenderer::VideoRenderer() = default;

VideoRenderer::~VideoRenderer()
{
    detachFromPlayer();
}

void VideoRenderer::setOutAspectRatioMode(OutAspectRatioMode mode)
{
    {
        std::lock_guard lock(_mutex);
        _mode = mode;
    }
    onOutputParametersChanged();
}

VideoRenderer::OutAspectRatioMode VideoRenderer::outAspectRatioMode() const
{
    std::lock_guard lock(_mutex);
    return _mode;
}

void VideoRenderer::setOutAspectRatio(qreal ratio)
{
    {
        std::lock_guard lock(_mutex);
        if (ratio > 0.0)
            _ratio = ratio;
    }
    onOutputParametersChanged();
}

qreal VideoRenderer::outAspectRatio() const
{
    std::lock_guard lock(_mutex);
    return _ratio;
}

void VideoRenderer::setRegionOfInterest(const QRectF &fractions)
{
    {
        std::lock_guard lock(_mutex);
        _roi = fractions;
    }
    onOutputParametersChanged();
}

QRectF VideoRenderer::regionOfInterest() const
{
    std::lock_guard lock(_mutex);
    return _roi;
}

QRect VideoRenderer::regionOfInterestPixels(const QSize &frameSize) const
{
    const QRectF roi = regionOfInterest();
    const QRect whole(QPoint(0, 0), frameSize);
    if (roi.isEmpty() || frameSize.isEmpty())
        return whole;
    const int x = int(std::lround(roi.x() * frameSize.width()));
    const int y = int(std::lround(roi.y() * frameSize.height()));
    const int w = int(std::lround(roi.width() * frameSize.width()));
    const int h = int(std::lround(roi.height() * frameSize.height()));
    const QRect r = QRect(x, y, w, h).intersected(whole);
    return r.isEmpty() ? whole : r;
}

QRect VideoRenderer::outputRect(const QSize &frameSize, double sar, const QSize &out) const
{
    if (out.isEmpty())
        return QRect();
    OutAspectRatioMode mode;
    qreal custom;
    {
        std::lock_guard lock(_mutex);
        mode = _mode;
        custom = _ratio;
    }
    if (mode == RendererAspectRatio || frameSize.isEmpty())
        return QRect(QPoint(0, 0), out);
    double aspect = custom;
    if (mode == VideoAspectRatio) {
        const QRect roi = regionOfInterestPixels(frameSize);
        aspect = double(roi.width()) * (sar > 0 ? sar : 1.0) / double(roi.height());
    }
    if (!(aspect > 0))
        return QRect(QPoint(0, 0), out);
    int w = out.width();
    int h = int(std::lround(w / aspect));
    if (h > out.height()) {
        h = out.height();
        w = int(std::lround(h * aspect));
    }
    return QRect((out.width() - w) / 2, (out.height() - h) / 2, w, h);
}

void VideoRenderer::receive(const VideoFrame &frame)
{
    {
        std::lock_guard lock(_mutex);
        _current = frame;
    }
    onFrame(frame);
}

VideoFrame VideoRenderer::currentFrame() const
{
    std::lock_guard lock(_mutex);
    return _current;
}

AVPlayer *VideoRenderer::player() const
{
    std::lock_guard lock(_mutex);
    return _player;
}

void VideoRenderer::setPlayer(AVPlayer *player)
{
    std::lock_guard lock(_mutex);
    _player = player;
}

void VideoRenderer::detachFromPlayer()
{
    if (AVPlayer *p = player())
        p->detachRenderer(this);
}

} // namespace kvm
