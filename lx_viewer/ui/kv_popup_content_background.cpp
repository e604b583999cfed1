#include "kv_popup_content_background.h"

#include <QPainter>
#include <QStyleOption>

KVPopupContentBackground::KVPopupContentBackground(QWidget *parent) : QWidget(parent)
{
}

void KVPopupContentBackground::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
