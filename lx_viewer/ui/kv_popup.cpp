#include "kv_popup.h"

#include "kv_lx_button.h"
#include "kv_style.h"
#include "kv_title_widget.h"
#include "kv_widget_drag.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

KVPopup::KVPopup(QWidget *parent, const QString &title, const QString &logo) : QDialog(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);

    _title = new TitleWidget(this, title, logo);
    layout->addWidget(_title, 0);

    _content = new QWidget(this);
    applyBackgroundStyle(_content, QStringLiteral("popup_bg"), 0x3A3A3A);
    _content->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    layout->addWidget(_content, 0);

    _buttonBar = new QWidget(this);
    applyBackgroundStyle(_buttonBar, QStringLiteral("popup_bg"), 0x595959);
    _buttonBar->setFixedHeight(43);
    _buttonLayout = new QHBoxLayout(_buttonBar);
    _buttonLayout->setContentsMargins(0, 0, 0, 0);
    _buttonLayout->setSpacing(0);
    layout->addWidget(_buttonBar, 0);

    connect(_title->closeButton(), &QPushButton::clicked, this, &QDialog::reject);
    _drag = new KVWidgetDrag(this, TitleWidget::kHeight);
}
