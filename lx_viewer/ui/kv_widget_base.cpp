#include "kv_widget_base.h"

#include <QPainter>
#include <QStyleOption>

KVWidgetBase::KVWidgetBase(QWidget *parent, bool listen) : QWidget(parent)
{
    if (listen)
        connect(KVApp::instance(), &KVApp::appEvent, this, &KVWidgetBase::onAppEvent);
}

void KVWidgetBase::onAppEvent(KVApp::Event)
{
}

void KVWidgetBase::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
