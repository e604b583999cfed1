#include "kv_dialog_overwrite_sys.h"

#include "app/kv_language.h"
#include "kv_button.h"
#include "kv_overwrite_buttons.h"
#include "kv_popup_content_background.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

KVDialogOverwriteSys::KVDialogOverwriteSys(QWidget *parent, const QString &text)
    : KVPopup(parent,
        KVLanguage::isJapanese() ? QStringLiteral("ファイルの保存")
                                 : QStringLiteral("Backup files"),
        QString())
{
    const bool japanese = KVLanguage::isJapanese();
    setObjectName(QStringLiteral("dialog_overwrite_sys"));
    setFixedWidth(420);

    auto *panel = KVPopupContentBackground::addTo(contentWidget());
    panel->setMinimumHeight(60);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    _headerLabel = new QLabel(japanese ? QStringLiteral("この場所に同じ名前のファイルがあります。")
                                       : QStringLiteral("File already exists."),
        panel);
    // The name gives the light text colour of the pop-ups, the own sheet
    // the size.
    _headerLabel->setObjectName(QStringLiteral("text_normal_label"));
    _headerLabel->setStyleSheet(QStringLiteral("font-size: 13px;"));
    _headerLabel->setWordWrap(true);
    layout->addWidget(_headerLabel);
    if (!text.isEmpty()) {
        _nameLabel = new QLabel(text, panel);
        _nameLabel->setObjectName(QStringLiteral("text_normal_label"));
        _nameLabel->setStyleSheet(QStringLiteral("font-size: 13px;"));
        layout->addWidget(_nameLabel);
    }

    const KVOverwriteButtons buttons
        = KVOverwriteButtons::addTo(this, QStringLiteral("font-size: 14px;"));
    _skipButton = buttons.skip;
    _overwriteButton = buttons.overwrite;
    _cancelButton = buttons.cancel;

    connect(_skipButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(_overwriteButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}
