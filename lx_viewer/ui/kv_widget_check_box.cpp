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
