#pragma once
// The frame-number strip that korvid-mkcard burns into the top of every demo
// frame, so tests and benchmarks can tell which frame a player shows.
//
// Layout: 16 blocks side by side across the full width of the picture, in
// the top stripHeight(h) rows. Block i (0 = left) carries bit 15 - i of the
// frame number modulo 65536: white (luma 235) for 1, black (luma 16) for 0.
// Readers average the middle half of each block and compare with 128, which
// survives H.264 compression and scaling to any size.
//
// Thread-safe: pure functions.

#include <cstdint>

class QImage;

namespace kvm {

constexpr int kFrameStripBits = 16;

// Height of the strip in rows for a picture of height h.
int frameStripHeight(int h);

// Draws the strip for frame number n into an 8-bit luma plane.
void drawFrameStrip(uint8_t *luma, int stride, int w, int h, int n);

// Reads the frame number from an 8-bit luma plane; -1 when the picture is
// too small to carry a strip.
int readFrameStrip(const uint8_t *luma, int stride, int w, int h);

// Reads the frame number from a picture of any format (converted to
// grey scale internally); -1 when the picture is null or too small.
int readFrameStrip(const QImage &image);

} // namespace kvm
