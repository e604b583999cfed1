#include "kv_lx_button.h"

LXButton::LXButton(QWidget *parent) : KVButton(parent)
{
}

LXButton *LXButton::make(QWidget *parent, QLayout *layout, const QString &name,
    const QString &toolTip, const QSize &size, const QString &sheet)
{
    auto *button = new LXButton(parent);
    setUp(button, layout, name, toolTip, size);
    button->setStyleSheet(sheet);
    return button;
}

LXButton *LXButton::createImageButton(QWidget *parent, QLayout *layout, const QString &name,
    const QString &toolTip, const QSize &size)
{
    return make(parent, layout, name, toolTip, size, KVStyleTemplate::imageButton(name));
}

LXButton *LXButton::createToggleButton(QWidget *parent, QLayout *layout, const QString &name,
    const QString &toolTip, const QSize &size)
{
    LXButton *button
        = make(parent, layout, name, toolTip, size, KVStyleTemplate::toggleButton(name));
    button->setCheckable(true);
    return button;
}

LXButton *LXButton::createStaticButton(QWidget *parent, QLayout *layout, const QString &name,
    const QString &toolTip, const QSize &size)
{
    LXButton *button
        = make(parent, layout, name, toolTip, size, KVStyleTemplate::staticButton(name));
    button->setEnabled(false);
    return button;
}

LXButton *LXButton::createColorButton(QWidget *parent, QLayout *layout, const QString &name,
    const QString &toolTip, const QSize &size, const LXButtonColors &colors)
{
    return make(parent, layout, name, toolTip, size, KVStyleTemplate::colorButton(name, colors));
}
