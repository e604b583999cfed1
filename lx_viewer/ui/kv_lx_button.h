#pragma once
// Picture buttons: the style sheet of each is one of the LXButton templates
// (image, toggle, static, colour) for its picture name under :/image.
//
// Thread: GUI thread only.

#include "kv_button.h"
#include "kv_style_template.h"

class LXButton : public KVButton
{
    Q_OBJECT
public:
    explicit LXButton(QWidget *parent = nullptr);

    // A number the owner attaches (the list's type buttons keep their filter
    // mask here); the factories leave it 0.
    qint32 value() const { return _value; }
    void setValue(qint32 value) { _value = value; }

    // Normal, hover (_1), pressed (_2) and disabled (_3) pictures.
    static LXButton *createImageButton(QWidget *parent, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size);
    // Checkable; adds the _checked pictures.
    static LXButton *createToggleButton(QWidget *parent, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size);
    // One picture in every state; the button is left disabled.
    static LXButton *createStaticButton(QWidget *parent, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size);
    // The picture on a face coloured by state (disabled: the _3 picture).
    static LXButton *createColorButton(QWidget *parent, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size, const LXButtonColors &colors);

private:
    static LXButton *make(QWidget *parent, QLayout *layout, const QString &name,
        const QString &toolTip, const QSize &size, const QString &sheet);

    qint32 _value = 0;
};
