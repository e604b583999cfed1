#include "kv_dialog_overwrite.h"

#include "app/kv_language.h"
#include "data/kv_backup_handover.h"
#include "kv_button.h"
#include "kv_layout.h"
#include "kv_overwrite_buttons.h"
#include "kv_popup_content_background.h"
#include "kv_widget_check_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

KVDialogOverwrite::KVDialogOverwrite(QWidget *parent, const QString &conflictName, int remaining)
    : KVPopup(parent,
        KVLanguage::isJapanese() ? QStringLiteral("ファイルの保存")
                                 : QStringLiteral("Backup files"),
        QString())
{
    const bool japanese = KVLanguage::isJapanese();
    setObjectName(QStringLiteral("dialog_overwrite"));
    setFixedWidth(420);

    auto *panel = KVPopupContentBackground::addTo(contentWidget());

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    _headerLabel = KVLayout::addLabel(layout,
        japanese ? QStringLiteral("この場所に同じ名前のファイルがあります。")
                 : QStringLiteral("File already exists."),
        "text_header_label");
    _headerLabel->setWordWrap(true);
    _nameLabel = KVLayout::addLabel(layout, conflictName, "text_normal_label");

    if (remaining > 1) {
        const QString count = QString::number(remaining);
        _applyBox = new KVWidgetCheckBox(panel);
        _applyBox->setObjectName(QStringLiteral("popup"));
        _applyBox->setText(japanese
                ? QStringLiteral("同じ処理を次の") + count + QStringLiteral("個の競合に適用")
                : QStringLiteral("Apply to next ") + count + QStringLiteral(" files."));
        layout->addWidget(_applyBox);
    }

    const KVOverwriteButtons buttons = KVOverwriteButtons::addTo(this);
    _skipButton = buttons.skip;
    _overwriteButton = buttons.overwrite;
    _cancelButton = buttons.cancel;

    connect(_skipButton, &QPushButton::clicked, this, &KVDialogOverwrite::onSkip);
    connect(_overwriteButton, &QPushButton::clicked, this, &KVDialogOverwrite::onOverwrite);
    connect(_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void KVDialogOverwrite::onSkip()
{
    answerWith(KVBackupHandover::ANSWER_SKIP);
}

void KVDialogOverwrite::onOverwrite()
{
    answerWith(KVBackupHandover::ANSWER_OVERWRITE);
}

void KVDialogOverwrite::answerWith(int word)
{
    if (_applyBox && _applyBox->isChecked())
        word |= KVBackupHandover::ANSWER_APPLY_TO_NEXT;
    _answer = word;
    accept();
}
