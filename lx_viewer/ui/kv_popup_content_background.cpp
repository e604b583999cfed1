#include "kv_popup_content_background.h"

#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

KVPopupContentBackground::KVPopupContentBackground(QWidget *parent) : QWidget(parent)
{
}

KVPopupContentBackground *KVPopupContentBackground::addTo(QWidget *content)
{
    auto *outer = new QVBoxLayout(content);
    outer->setContentsMargins(10, 13, 10, 12);
    outer->setSpacing(0);
    auto *panel = new KVPopupContentBackground(content);
    outer->addWidget(panel);
    return panel;
}

void KVPopupContentBackground::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
