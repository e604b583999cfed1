#include "kv_speed_widget.h"

#include <QPainter>

LXSpeedWidget::LXSpeedWidget(QWidget *parent)
    : QWidget(parent),
      _digits(QStringLiteral(":/image/num_15x25.png")),
      _plateOn(QStringLiteral(":/image/speed_on.png")),
      _plateOff(QStringLiteral(":/image/speed_off.png"))
{
    setObjectName(QStringLiteral("speed_widget"));
}

void LXSpeedWidget::setSpeed(int value)
{
    if (value == _value)
        return;
    _value = value;
    update();
}

QList<int> LXSpeedWidget::glyphsFor(int value)
{
    if (value < 0)
        return {kDashGlyph, kDashGlyph, kDashGlyph};
    const QByteArray text = QByteArray::number(value).rightJustified(3, '0');
    QList<int> glyphs;
    for (char c : text.right(3))
        glyphs << (c - '0');
    return glyphs;
}

void LXSpeedWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const QPixmap &plate = _value >= 0 ? _plateOn : _plateOff;
    painter.drawPixmap((w - _plateOn.width()) / 2, (h - _plateOn.height()) / 2, plate);
    const int x0 = ((w - 1) - 44) / 2;
    const QList<int> glyphs = glyphsFor(_value);
    for (int k = 0; k < glyphs.size(); ++k) {
        painter.drawPixmap(QPoint(x0 + k * kGlyphWidth, 21), _digits,
            QRect(glyphs[k] * kGlyphWidth, 0, kGlyphWidth, kGlyphHeight));
    }
}
