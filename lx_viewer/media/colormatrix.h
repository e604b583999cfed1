#pragma once
// How a frame's YUV samples become RGB: the standard of the frame (what it
// says: BT.709 or another; untagged, BT.709 for HD pictures, 1280 wide or
// more than 576 high, and BT.601 for SD ones, as video players take them),
// and its range (limited 16..235/240, or full 0..255 for the JPEG formats and
// frames that say so). The renderers, the frame's own conversion (capture)
// and the filter graphs use the same choice so they show the same colours.
//
// Thread-safe: pure functions.

#include <QMatrix4x4>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace kvm
{

struct YuvStandard {
    AVColorSpace space = AVCOL_SPC_BT470BG; // BT.601 coefficients
    bool fullRange = false;
};

// The standard a frame's samples follow.
YuvStandard yuvStandardOf(const AVFrame *frame);

// The matrix that maps (Y, U, V, 1) with samples in 0..1 to (R, G, B, 1)
// in 0..1 (unclamped) for that standard.
QMatrix4x4 yuvToRgbMatrix(const YuvStandard &standard);

// The SWS_CS_* constant for sws_getCoefficients() of that standard.
int swsColorspaceOf(const YuvStandard &standard);

// True for a YUV (not RGB) pixel format.
bool isYuvFormat(int format);

// The plain format of a JPEG (full-range) one: swscale warns about the JPEG
// formats, and their range is told to it by setSwsYuvStandard.
AVPixelFormat withoutJpegRange(AVPixelFormat format);

// Makes sws convert a YUV frame with the frame's own standard and range
// (nothing for RGB frames).
void setSwsYuvStandard(SwsContext *sws, const AVFrame *frame);

} // namespace kvm
