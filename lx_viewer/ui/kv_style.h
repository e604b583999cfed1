#pragma once
// Applies the style-sheet templates of kv_style_template.h: each function
// sets the object name (so the template's #name selector matches this widget
// alone), builds the text and sets it as the widget's style sheet.
//
// Thread: GUI thread only.

#include "kv_style_template.h"

class QLabel;
class QSlider;
class QWidget;

void applyBorderStyle(QWidget *widget, const QString &name, quint32 color);
void applyBackgroundStyle(QWidget *widget, const QString &name, quint32 color);
void applyPanelStyle(QWidget *widget, const QString &name, quint32 background, quint32 border);
void applyLabelStyle(
    QLabel *label, const QString &name, const QString &font, quint32 color, int sizePx, bool bold);
void applyBadgeStyle(QLabel *label, const QString &name, const QString &font, quint32 color,
    int sizePx, bool bold, quint32 background);
// Also fixes the slider's height (18, or 14 when small).
void applySliderStyle(
    QSlider *slider, const QString &name, quint32 played, quint32 remaining, bool small);

// Un-polishes and polishes the widget with its style, then updates it, so a
// changed object name or style property takes effect at once.
void repolish(QWidget *widget);
