#pragma once
// Converts a part of a video frame straight to an RGB picture of a given
// size with swscale: the source rectangle is cut out by offsetting the plane
// pointers (no copy), then scaled and converted in one pass. The swscale
// context is kept between calls and rebuilt only when sizes or formats
// change.
//
// Thread: one thread at a time (the Widget renderer uses it on the GUI
// thread only).

#include "../videoframe.h"

#include <QImage>
#include <QRect>
#include <QSize>

struct SwsContext;

namespace kvm
{

class FrameScaler
{
public:
    FrameScaler() = default;
    ~FrameScaler();
    FrameScaler(const FrameScaler &) = delete;
    FrameScaler &operator=(const FrameScaler &) = delete;

    // The source rectangle the conversion really uses for a wanted one:
    // clamped into the frame, its corner moved onto the chroma grid of
    // subsampled formats (a 4:2:0 picture can only be cut at even rows and
    // columns; the rectangle grows by the pixel it moved so its far edge
    // stays). Empty when the frame cannot be cut (unknown format).
    static QRect alignedSource(const VideoFrame &frame, const QRect &wanted);

    // source (in frame pixels) of frame scaled to size, as Format_RGB32;
    // a null image when the frame is invalid, the size empty or swscale
    // refuses the formats.
    QImage convert(const VideoFrame &frame, const QRect &source, const QSize &size);

private:
    SwsContext *_sws = nullptr;
};

} // namespace kvm
