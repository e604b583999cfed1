#include "kv_mkcard_painter.h"

#include "media/framestrip.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kvmk
{

namespace
{

constexpr uint8_t kPanelLuma = 24;
constexpr uint8_t kTextLuma = 235;
constexpr uint8_t kNeutralChroma = 128;

QFont font(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(6, pixelSize));
    f.setBold(bold);
    return f;
}

} // namespace

FramePainter::FramePainter(int width, int height, bool rear, const QString &fileLabel)
    : _width(width),
      _height(height),
      _rear(rear),
      _fileLabel(fileLabel),
      _period(std::max(32, width / 6)),
      _scroll(std::max(1, width / 160)),
      _large(font(height / 6, true)),
      _medium(font(height / 12, true)),
      _small(font(height / 22, false))
{
    buildScene();
    buildPanel();
}

void FramePainter::buildScene()
{
    // A bright sky over a darker road, with soft posts passing by.
    const int rowLength = _width + _period;
    const int horizon = _height * 45 / 100;
    _luma.resize(size_t(rowLength) * _height);
    std::vector<double> posts(rowLength);
    for (int x = 0; x < rowLength; ++x) {
        const double c = 0.5 + 0.5 * std::cos(2.0 * std::numbers::pi * x / _period);
        posts[x] = std::pow(c, 6.0);
    }
    for (int y = 0; y < _height; ++y) {
        const double base = y < horizon
            ? 170.0 - 50.0 * y / std::max(1, horizon)
            : 70.0 + 40.0 * (y - horizon) / std::max(1, _height - horizon);
        const double depth = (y > _height / 5 && y < _height * 4 / 5) ? 60.0 : 25.0;
        uint8_t *row = &_luma[size_t(y) * rowLength];
        for (int x = 0; x < rowLength; ++x)
            row[x] = static_cast<uint8_t>(std::clamp(base + depth * posts[x], 16.0, 235.0));
    }

    const int cw = (_width + 1) / 2;
    const int ch = (_height + 1) / 2;
    _u.resize(size_t(cw) * ch);
    _v.resize(size_t(cw) * ch);
    for (int y = 0; y < ch; ++y) {
        const bool sky = 2 * y < horizon;
        for (int x = 0; x < cw; ++x) {
            // Front: blue sky over a green-grey road; rear: warmer tones.
            const int tint = (x * 16) / std::max(1, cw);
            _u[size_t(y) * cw + x] = static_cast<uint8_t>(sky ? (_rear ? 118 : 150) + tint : 122);
            _v[size_t(y) * cw + x] = static_cast<uint8_t>(sky ? (_rear ? 150 : 112) : 124 + tint);
        }
    }
}

void FramePainter::paint(AVFrame *frame, int n, int fps, const QDateTime &start) const
{
    const int rowLength = _width + _period;
    const int shift = (n * _scroll) % _period;
    const int offset = _rear ? _period - 1 - shift : shift;
    for (int y = 0; y < _height; ++y)
        std::memcpy(frame->data[0] + size_t(y) * frame->linesize[0],
            &_luma[size_t(y) * rowLength + offset], size_t(_width));
    const int cw = (_width + 1) / 2;
    const int ch = (_height + 1) / 2;
    for (int y = 0; y < ch; ++y) {
        std::memcpy(frame->data[1] + size_t(y) * frame->linesize[1], &_u[size_t(y) * cw], cw);
        std::memcpy(frame->data[2] + size_t(y) * frame->linesize[2], &_v[size_t(y) * cw], cw);
    }

    paintText(frame, n, fps, start);

    // The strip goes last, on neutral chroma so any colour conversion keeps
    // its blocks black and white.
    kvm::drawFrameStrip(frame->data[0], frame->linesize[0], _width, _height, n);
    const int stripChromaRows = std::min(ch, (kvm::frameStripHeight(_height) + 1) / 2);
    for (int y = 0; y < stripChromaRows; ++y) {
        std::memset(frame->data[1] + size_t(y) * frame->linesize[1], kNeutralChroma, cw);
        std::memset(frame->data[2] + size_t(y) * frame->linesize[2], kNeutralChroma, cw);
    }
}

QRect FramePainter::panelRect() const
{
    const int left = _width / 20;
    const int top = _height * 3 / 20;
    return QRect(QPoint(left, top), QPoint(_width - left - 1, _height * 17 / 20 - 1));
}

void FramePainter::buildPanel()
{
    // The panel with what stays the same for the whole file: the camera
    // name and the file name. Frames copy it and add their own lines.
    const QRect panel = panelRect();
    _panel = QImage(panel.size(), QImage::Format_Grayscale8);
    _panel.fill(kPanelLuma);
    QPainter painter(&_panel);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(kTextLuma, kTextLuma, kTextLuma));
    const int inner = _width / 40;
    const int width = panel.width() - inner;
    painter.setFont(_large);
    painter.drawText(QRect(inner, _height / 80, width, _height / 5),
        Qt::AlignLeft | Qt::AlignVCenter, _rear ? QStringLiteral("REAR") : QStringLiteral("FRONT"));
    painter.setFont(_small);
    painter.drawText(QRect(inner, textTop(2) + 2 * (_height / 9), width, _height / 16),
        Qt::AlignLeft | Qt::AlignVCenter, _fileLabel);
}

int FramePainter::textTop(int line) const
{
    // Line 0: camera name; 1: date-time; 2: time into the file and frame.
    const int nameTop = _height / 80;
    if (line == 0)
        return nameTop;
    return nameTop + _height / 5 + (line - 1) * (_height / 9);
}

void FramePainter::paintText(AVFrame *frame, int n, int fps, const QDateTime &start) const
{
    // A neutral dark panel: text is drawn on the luma plane only.
    const QRect panel = panelRect();
    for (int y = 0; y < panel.height(); ++y)
        std::memcpy(frame->data[0] + size_t(panel.top() + y) * frame->linesize[0] + panel.left(),
            _panel.constScanLine(y), size_t(panel.width()));
    const int cx = panel.left() / 2;
    const int cw = (panel.right() + 1) / 2 - cx;
    for (int y = panel.top() / 2; y < (panel.bottom() + 1) / 2; ++y) {
        std::memset(
            frame->data[1] + size_t(y) * frame->linesize[1] + cx, kNeutralChroma, size_t(cw));
        std::memset(
            frame->data[2] + size_t(y) * frame->linesize[2] + cx, kNeutralChroma, size_t(cw));
    }

    QImage luma(frame->data[0], _width, _height, frame->linesize[0], QImage::Format_Grayscale8);
    QPainter painter(&luma);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(kTextLuma, kTextLuma, kTextLuma));
    painter.setFont(_medium);
    const int inner = panel.left() + _width / 40;
    const int width = panel.right() - inner;
    const int lineHeight = _height / 9;
    const QDateTime when = start.addSecs(n / fps);
    painter.drawText(QRect(inner, panel.top() + textTop(1), width, lineHeight),
        Qt::AlignLeft | Qt::AlignVCenter, when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    painter.drawText(QRect(inner, panel.top() + textTop(2), width, lineHeight),
        Qt::AlignLeft | Qt::AlignVCenter,
        QStringLiteral("+%1 s   frame %2").arg(double(n) / fps, 0, 'f', 3).arg(n));
}

} // namespace kvmk
