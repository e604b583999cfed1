#include "kv_layout.h"

#include <QBoxLayout>
#include <QLabel>

void KVLayout::addSpacer(QBoxLayout *layout, int width, int height)
{
    layout->addSpacerItem(new QSpacerItem(width, height, QSizePolicy::Fixed, QSizePolicy::Fixed));
}

QLabel *KVLayout::addLabel(QLayout *layout, const QString &text, const char *objectName)
{
    auto *label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(objectName));
    layout->addWidget(label);
    return label;
}
