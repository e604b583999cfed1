#include "kv_style.h"

#include <QLabel>
#include <QSlider>
#include <QStyle>

namespace
{

void apply(QWidget *widget, const QString &name, const QString &sheet)
{
    widget->setObjectName(name);
    widget->setStyleSheet(sheet);
}

} // namespace

void applyBorderStyle(QWidget *widget, const QString &name, quint32 color)
{
    apply(widget, name, KVStyleTemplate::border(name, color));
}

void applyBackgroundStyle(QWidget *widget, const QString &name, quint32 color)
{
    apply(widget, name, KVStyleTemplate::background(name, color));
}

void applyPanelStyle(QWidget *widget, const QString &name, quint32 background, quint32 border)
{
    apply(widget, name, KVStyleTemplate::panel(name, background, border));
}

void applyLabelStyle(
    QLabel *label, const QString &name, const QString &font, quint32 color, int sizePx, bool bold)
{
    apply(label, name, KVStyleTemplate::label(name, font, color, sizePx, bold));
}

void applyBadgeStyle(QLabel *label, const QString &name, const QString &font, quint32 color,
    int sizePx, bool bold, quint32 background)
{
    apply(label, name, KVStyleTemplate::badge(name, font, color, sizePx, bold, background));
}

void applySliderStyle(
    QSlider *slider, const QString &name, quint32 played, quint32 remaining, bool small)
{
    slider->setFixedHeight(KVStyleTemplate::sliderMetrics(small).fixedHeight);
    apply(slider, name, KVStyleTemplate::slider(name, played, remaining, small));
}

void repolish(QWidget *widget)
{
    QStyle *style = widget->style();
    style->unpolish(widget);
    style->polish(widget);
    widget->update();
}
