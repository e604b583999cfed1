#include "kv_logo_widget.h"

#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <QVBoxLayout>

LXLogoWidget::LXLogoWidget(QWidget *parent, bool big) : QWidget(parent), _big(big)
{
    setStyleSheet(QStringLiteral(
        "LXLogoWidget {border-image: url(:/image/video_bg.png) 0 0 0 0 repeat repeat;}"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    _label = new QLabel(this);
    _label->setAlignment(Qt::AlignCenter);
    layout->addWidget(_label, 0, Qt::AlignCenter);
    setFront(true);
}

void LXLogoWidget::setFront(bool front)
{
    _front = front;
    const QString name = QStringLiteral(":/image/logo_%1_%2.png")
                             .arg(front ? QLatin1String("front") : QLatin1String("rear"),
                                 _big ? QLatin1String("big") : QLatin1String("small"));
    _label->setPixmap(QPixmap(name));
}

void LXLogoWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
