#pragma once
// The "Widget" renderer: a plain QWidget painted with QPainter. Each new
// frame is cut to the region of interest and converted by swscale straight
// to the size of the output rectangle; the result is kept until the frame,
// the region or the size changes, so repaints without a new frame (an
// overlay moving, an expose) cost a blit only. Black outside the picture,
// and black when there is no frame.
//
// Threads: onFrame() on the player's presenter thread (stores nothing
// itself, the base keeps the frame; it only posts one queued repaint at a
// time); everything else on the GUI thread.

#include "../videorenderer.h"
#include "framescaler.h"
#include "repaintposter.h"

#include <QImage>
#include <QWidget>

#include <atomic>

namespace kvm
{

class WidgetRenderer : public QWidget, public VideoRenderer
{
    Q_OBJECT
public:
    explicit WidgetRenderer(QWidget *parent = nullptr);
    ~WidgetRenderer() override;

    QString id() const override { return QStringLiteral("Widget"); }
    QWidget *widget() override { return this; }

    // Pictures converted so far (for tests: a repaint without a new frame,
    // region or size converts nothing). GUI thread.
    int conversionCount() const { return _conversions; }

protected:
    void onFrame(const VideoFrame &frame) override;
    void onOutputParametersChanged() override;
    void paintEvent(QPaintEvent *event) override;

private:
    // --- presenter thread sets, GUI thread clears
    RepaintPoster _repaint{this};

    // --- GUI thread only
    FrameScaler _scaler;
    VideoFrame _cachedFrame; // the frame _cachedImage was made from
    QRect _cachedSource;
    QSize _cachedSize; // device pixels
    QImage _cachedImage;
    int _conversions = 0;
};

} // namespace kvm
