#include "kv_popup_message.h"

#include "kv_button.h"
#include "kv_popup_content_background.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

KVPopupMessage::KVPopupMessage(QWidget *parent, const QString &message, const QString &title)
    : KVPopup(parent, title, QString())
{
    QFont font = this->font();
    font.setBold(true);
    font.setPointSize(16);
    const int textWidth = QFontMetrics(font).boundingRect(message).width();
    // A short message would leave no room for the OK button and the title.
    setFixedWidth(qMax(textWidth + 31, kMinimumWidth));

    auto *panel = KVPopupContentBackground::addTo(contentWidget());
    panel->setMinimumHeight(80);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    _label = new QLabel(message, panel);
    _label->setObjectName(QStringLiteral("text_header_label"));
    _label->setFont(font);
    _label->setWordWrap(true);
    _label->setAlignment(Qt::AlignCenter);
    layout->addWidget(_label);

    buttonLayout()->addStretch(1);
    _okButton = KVButton::create(
        buttonBar(), buttonLayout(), QStringLiteral("popup_button"), QString(), QSize(120, 30));
    _okButton->setText(QStringLiteral("OK"));
    // The button never takes the focus: Return reaches it as the dialog's
    // default button.
    _okButton->setDefault(true);
    buttonLayout()->addStretch(1);
    connect(_okButton, &QPushButton::clicked, this, &QDialog::accept);
}
