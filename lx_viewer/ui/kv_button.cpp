#include "kv_button.h"

#include "app/kv_language.h"
#include "kv_style.h"

#include <QLayout>

KVButton::KVButton(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

KVButton::~KVButton()
{
    KVLanguage::instance()->unregisterWidget(this);
}

void KVButton::setUp(KVButton *button, QLayout *layout, const QString &name, const QString &toolTip,
    const QSize &size)
{
    if (!toolTip.isEmpty())
        button->setToolTip(toolTip);
    button->setObjectName(name);
    button->setFixedSize(size);
    QSizePolicy policy = button->sizePolicy();
    policy.setControlType(QSizePolicy::DefaultType);
    button->setSizePolicy(policy);
    if (layout)
        layout->addWidget(button);
    if (!toolTip.isEmpty())
        KVLanguage::instance()->registerText(
            KVLanguage::LANGUAGE_JAPANESE, KVLanguage::TOOLTIP, button, toolTip);
}

KVButton *KVButton::create(QWidget *parent, QLayout *layout, const QString &name,
    const QString &toolTip, const QSize &size)
{
    auto *button = new KVButton(parent);
    setUp(button, layout, name, toolTip, size);
    return button;
}

void KVButton::setStyleProperty(const char *name, const QVariant &value)
{
    setProperty(name, value);
    repolish(this);
}

void KVButton::setStyleName(const QString &name)
{
    setObjectName(name);
    repolish(this);
}
