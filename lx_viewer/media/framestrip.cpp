#include "framestrip.h"

#include <QImage>

#include <algorithm>

namespace kvm
{

int frameStripHeight(int h)
{
    return std::max(8, h / 24);
}

void drawFrameStrip(uint8_t *luma, int stride, int w, int h, int n)
{
    if (!luma || w < kFrameStripBits || h < 8)
        return;
    const int rows = std::min(h, frameStripHeight(h));
    const unsigned value = static_cast<unsigned>(n) & 0xFFFFu;
    for (int i = 0; i < kFrameStripBits; ++i) {
        const int x0 = i * w / kFrameStripBits;
        const int x1 = (i + 1) * w / kFrameStripBits;
        const bool one = (value >> (kFrameStripBits - 1 - i)) & 1u;
        const uint8_t y = one ? 235 : 16;
        for (int r = 0; r < rows; ++r)
            std::fill(luma + r * stride + x0, luma + r * stride + x1, y);
    }
}

int readFrameStrip(const uint8_t *luma, int stride, int w, int h)
{
    if (!luma || w < kFrameStripBits * 4 || h < 16)
        return -1;
    const int rows = std::min(h, frameStripHeight(h));
    const int y0 = rows / 4;
    const int y1 = std::max(y0 + 1, rows * 3 / 4);
    unsigned value = 0;
    for (int i = 0; i < kFrameStripBits; ++i) {
        const int bx0 = i * w / kFrameStripBits;
        const int bw = (i + 1) * w / kFrameStripBits - bx0;
        const int x0 = bx0 + bw / 4;
        const int x1 = std::max(x0 + 1, bx0 + bw * 3 / 4);
        long sum = 0;
        long count = 0;
        // A few rows across the middle of the strip are enough: each bit is a
        // flat block, and this runs for every frame a benchmark shows.
        const int step = std::max(1, (y1 - y0) / 4);
        for (int y = y0; y < y1; y += step) {
            const uint8_t *row = luma + y * stride;
            for (int x = x0; x < x1; ++x) {
                sum += row[x];
                ++count;
            }
        }
        value = (value << 1) | (sum >= 128 * count ? 1u : 0u);
    }
    return static_cast<int>(value);
}

int readFrameStrip(const QImage &image)
{
    if (image.isNull())
        return -1;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    return readFrameStrip(
        grey.constBits(), static_cast<int>(grey.bytesPerLine()), grey.width(), grey.height());
}

} // namespace kvm
