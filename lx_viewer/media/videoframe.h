#pragma once
// A decoded video frame: a reference-counted FFmpeg AVFrame (copies share the
// picture, nothing is converted) with its time stamp in seconds and the seek
// serial it was decoded under.
//
// Pixel formats handed out by the players: what the decoder makes (YUV420P
// for the recorder's H.264, NV12 or YUVJ420P possible) and RGB24 when a
// filter graph ran on the frame. Planes and strides are the AVFrame's.
//
// Thread: a value type. Copies may travel between threads freely; the
// picture behind it is never written after decoding.

#include <QImage>
#include <QMetaType>
#include <QSize>

#include <memory>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace kvm
{

class VideoFrame
{
public:
    VideoFrame() = default;
    // Takes a new reference on frame (av_frame_ref); the caller keeps its own.
    VideoFrame(const AVFrame *frame, double ptsSeconds, int serial);

    bool isValid() const { return _frame != nullptr; }
    const AVFrame *avFrame() const { return _frame.get(); }

    double pts() const { return _pts; } // seconds on the stream's time line
    qint64 ptsMs() const; // rounded to milliseconds
    int serial() const { return _serial; } // seek serial of the player
    int width() const;
    int height() const;
    QSize size() const { return QSize(width(), height()); }
    AVPixelFormat pixelFormat() const;
    // Sample aspect ratio (pixel width / pixel height); 1 when unknown.
    double sampleAspectRatio() const;

    int planeCount() const;
    const uint8_t *bits(int plane) const;
    int bytesPerLine(int plane) const;

    // The whole picture as RGB888 at full resolution (swscale); a null image
    // for an invalid frame or an unsupported format.
    QImage toImage() const;

    // The frame-number strip of the demo cards read from the luma (or grey
    // level) of the picture; -1 when there is none.
    int frameNumber() const;

private:
    std::shared_ptr<AVFrame> _frame;
    double _pts = 0.0;
    int _serial = 0;
};

} // namespace kvm

Q_DECLARE_METATYPE(kvm::VideoFrame)
