#include "kv_widget_zoom_pos.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

KVWidgetZoomPos::KVWidgetZoomPos(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("zoom_pos"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
}

void KVWidgetZoomPos::setStart(float x, float y)
{
    _startX = x;
    _startY = y;
}

void KVWidgetZoomPos::setPosition(float x, float y)
{
    _x = std::clamp(x, 0.0f, kMaximum);
    _y = std::clamp(y, 0.0f, kMaximum);
    update();
}

void KVWidgetZoomPos::moveBy(float dx, float dy)
{
    setPosition(_startX + dx, _startY + dy);
}

QRect KVWidgetZoomPos::outlineRect(float x, float y, int w, int h)
{
    const int halfW = int(std::lround(w / 2.0));
    const int halfH = int(std::lround(h / 2.0));
    const int left = int(x * float(w));
    const int top = int(y * float(h));
    // Right and bottom edges one pixel inside.
    return QRect(QPoint(left, top), QPoint(left + halfW - 1, top + halfH - 1));
}

void KVWidgetZoomPos::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::red));
    painter.setBrush(Qt::NoBrush);
    // Lines on the outline's first and last pixel rows and columns.
    const QRect r = outlineRect(_x, _y, width(), height());
    painter.drawRect(QRectF(r.left(), r.top(), r.width() - 1, r.height() - 1));
}
