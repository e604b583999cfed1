#include "widgetrenderer.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

namespace kvm
{

WidgetRenderer::WidgetRenderer(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("widget_renderer"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
}

WidgetRenderer::~WidgetRenderer()
{
    // No frame may arrive while the widget is torn down.
    detachFromPlayer();
}

void WidgetRenderer::onFrame(const VideoFrame &)
{
    _repaint.post();
}

void WidgetRenderer::onOutputParametersChanged()
{
    update();
}

void WidgetRenderer::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const VideoFrame frame = currentFrame();
    QRect target;
    if (frame.isValid())
        target = outputRect(frame.size(), frame.sampleAspectRatio(), size());
    if (target.isEmpty()) {
        _cachedFrame = VideoFrame();
        _cachedImage = QImage();
        painter.fillRect(event->rect(), Qt::black);
        return;
    }

    const qreal dpr = devicePixelRatioF();
    const QSize pixels(std::max(1, int(std::lround(target.width() * dpr))),
        std::max(1, int(std::lround(target.height() * dpr))));
    const QRect source = regionOfInterestPixels(frame.size());
    if (_cachedFrame.avFrame() != frame.avFrame() || _cachedSource != source
        || _cachedSize != pixels) {
        _cachedImage = _scaler.convert(frame, source, pixels);
        ++_conversions;
        _cachedImage.setDevicePixelRatio(dpr);
        _cachedFrame = frame;
        _cachedSource = source;
        _cachedSize = pixels;
    }

    const QRegion outside = QRegion(event->rect()).subtracted(QRegion(target));
    for (const QRect &r : outside)
        painter.fillRect(r, Qt::black);
    if (_cachedImage.isNull())
        painter.fillRect(target, Qt::black);
    else
        painter.drawImage(target.topLeft(), _cachedImage);
}

} // namespace kvm
