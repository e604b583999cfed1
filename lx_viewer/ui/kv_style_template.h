#pragma once
// The style-sheet texts of the viewer's widgets: fixed templates whose
// placeholders ("%name%", "%color%", ...) are replaced by plain text, every
// occurrence, case-sensitively. The functions here only build the text;
// kv_style.h applies it to a widget.
//
// Thread: any (pure text functions).

#include <QString>
#include <QtGlobal>

// 0xRRGGBB as "#RRGGBB" (upper-case, zero-padded).
QString toHexColor(quint32 rgb);

// The colours of a colour button (LXButton::createColorButton), in this order.
struct LXButtonColors {
    quint32 normal;
    quint32 pressed;
    quint32 hover;
    quint32 checked;
    quint32 disabled;
};

namespace KVStyleTemplate
{

QString border(const QString &name, quint32 color);
QString background(const QString &name, quint32 color);
QString panel(const QString &name, quint32 background, quint32 border);
QString label(const QString &name, const QString &font, quint32 color, int sizePx, bool bold);
QString badge(const QString &name, const QString &font, quint32 color, int sizePx, bool bold,
    quint32 background);

// The slider's fixed height and knob picture for the two slider sizes.
struct SliderMetrics {
    int fixedHeight;
    const char *knob;
    int border;
    int height;
};
SliderMetrics sliderMetrics(bool small);
QString slider(const QString &name, quint32 played, quint32 remaining, bool small);

// LXButton sheets: %name% is the picture name under :/image.
QString imageButton(const QString &name);
QString staticButton(const QString &name);
QString toggleButton(const QString &name);
QString colorButton(const QString &name, const LXButtonColors &colors);

} // namespace KVStyleTemplate
