#include "kv_title_widget.h"

#include "kv_layout.h"
#include "kv_lx_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>

TitleWidget::TitleWidget(QWidget *parent, const QString &title, const QString &logo)
    : QWidget(parent)
{
    setStyleSheet(QStringLiteral(
        "TitleWidget{border-image: url(:/image/title_bg.png) 0 0 0 0 repeat stretch;}"));
    setFixedHeight(kHeight);
    setObjectName(QStringLiteral("popup_title"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (!logo.isEmpty()) {
        _logoLabel = new QLabel(this);
        _logoLabel->setPixmap(QPixmap(QStringLiteral(":/image/") + logo));
        layout->addWidget(_logoLabel);
    }
    if (!title.isEmpty()) {
        KVLayout::addSpacer(layout, 10, 0);
        _titleLabel = KVLayout::addLabel(layout, title, "title_label");
    }
    layout->addStretch(1);
    _closeButton = LXButton::createImageButton(
        this, layout, QStringLiteral("title_close"), QString::fromUtf8("閉じる"), QSize(38, 38));
    KVLayout::addSpacer(layout, 7, 0);
}

void TitleWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
