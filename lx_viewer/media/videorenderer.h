#pragma once
// Base of every video output of a player. A player hands the frames it
// presents to each attached renderer through receive(); one player may feed
// several renderers (the zoom overview), and a renderer belongs to at most
// one player at a time in the viewer.
//
// Renderers are made by id through a registry: "Null" (built into the
// layer, see nullrenderer.h), and the widget renderers "OpenGLWidget" and
// "Widget", registered by kvm::registerWidgetRenderers() of kv_media_render.
//
// Thread rules:
// - create(), the setters and getters, widget(): GUI thread.
// - receive() is called by the player's presenter thread (not the GUI
//   thread), under the player's presentation lock. It stores the frame as
//   the current frame and calls onFrame() on the same thread. onFrame() must
//   be quick and must not touch widgets directly: a widget renderer keeps
//   the frame and asks for a repaint with a queued call (for example
//   QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection)).
// - When a renderer is attached to a player that already shows a picture,
//   the player hands it that picture at once through receive(), on the GUI
//   thread (so a swap shows the other camera without waiting a frame).
// - An invalid (empty) frame means "show nothing" (end of media without
//   KeepDisplay, or stop).
// - A renderer must be removed from its player before it is destroyed;
//   the base destructor does that, but widget subclasses must call
//   detachFromPlayer() first thing in their own destructor so that no frame
//   arrives while their widget part is being torn down.

#include "videoframe.h"

#include <QRect>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

class QWidget;

namespace kvm
{

class AVPlayer;

class VideoRenderer
{
public:
    enum OutAspectRatioMode {
        RendererAspectRatio = 0, // fill the whole output area
        VideoAspectRatio = 1, // keep the shown region's own aspect, centred
        CustomAspectRatio = 2, // keep outAspectRatio(), centred
        CustomAspectRation = CustomAspectRatio
    };

    using Factory = std::function<VideoRenderer *()>;

    // A new renderer of that kind, or nullptr when the id is unknown.
    // The caller owns it.
    static VideoRenderer *create(const QString &id);
    static void registerRenderer(const QString &id, const Factory &factory);
    static QStringList registeredIds();

    VideoRenderer();
    virtual ~VideoRenderer();
    VideoRenderer(const VideoRenderer &) = delete;
    VideoRenderer &operator=(const VideoRenderer &) = delete;

    virtual QString id() const = 0;
    // False when the renderer cannot work on this machine (no OpenGL...).
    virtual bool isAvailable() const { return true; }
    // The widget that shows the picture; nullptr for renderers without one.
    virtual QWidget *widget() { return nullptr; }

    void setOutAspectRatioMode(OutAspectRatioMode mode);
    OutAspectRatioMode outAspectRatioMode() const;
    // Width / height, used in CustomAspectRatio mode.
    void setOutAspectRatio(qreal ratio);
    qreal outAspectRatio() const;

    // The part of the frame shown, in fractions of the frame (0..1 each);
    // an empty rectangle shows the whole frame. (0.25, 0.25, 0.5, 0.5)
    // shows the centre half, two times larger.
    void setRegionOfInterest(const QRectF &fractions);
    QRectF regionOfInterest() const;
    // The region of interest in pixels of a frame of the given size,
    // clamped into the frame; the whole frame when empty.
    QRect regionOfInterestPixels(const QSize &frameSize) const;

    // Where the picture goes inside an output area of size out for a frame
    // of size frameSize (sample aspect sar), by the aspect mode and the
    // region of interest. Shared by the widget renderers.
    QRect outputRect(const QSize &frameSize, double sar, const QSize &out) const;

    // --- presenter thread (see the thread rules above)
    void receive(const VideoFrame &frame);
    // The last frame received (any thread).
    VideoFrame currentFrame() const;

    // The player feeding this renderer, if any (kept by AVPlayer).
    AVPlayer *player() const;
    // Removes this renderer from its player; after it returns no frame
    // arrives any more. GUI thread.
    void detachFromPlayer();

protected:
    // Presenter thread; quick; see the thread rules.
    virtual void onFrame(const VideoFrame &frame) = 0;
    // GUI thread, after the aspect mode, aspect ratio or region changed.
    virtual void onOutputParametersChanged() { }

private:
    friend class AVPlayer;
    void setPlayer(AVPlayer *player);

    // --- guarded by _mutex
    mutable std::mutex _mutex;
    VideoFrame _current;
    OutAspectRatioMode _mode = VideoAspectRatio;
    qreal _ratio = 16.0 / 9.0;
    QRectF _roi;
    AVPlayer *_player = nullptr;
};

} // namespace kvm
