#include "kv_widget_check_box.h"

#include "kv_key_forward.h"

#include <QKeyEvent>

KVWidgetCheckBox::KVWidgetCheckBox(QWidget *parent) : KVWidgetCheckBox(QString(), parent)
{
}

KVWidgetCheckBox::KVWidgetCheckBox(const QString &text, QWidget *parent) : QCheckBox(text, parent)
{
    setObjectName(QStringLiteral("normal"));
}

void KVWidgetCheckBox::keyPressEvent(QKeyEvent *event)
{
    KVKeyForward::keyPress(event);
    QCheckBox::keyPressEvent(event);
}

void KVWidgetCheckBox::keyReleaseEvent(QKeyEvent *event)
{
    // The press went on to the key handler: so does its release, or the
    // key would count as held after the pop-up and block full screen,
    // capture and the list keys.
    KVKeyForward::keyRelease(event);
    QCheckBox::keyReleaseEvent(event);
}
