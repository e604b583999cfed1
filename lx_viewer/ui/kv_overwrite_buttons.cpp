#include "kv_overwrite_buttons.h"

#include "app/kv_language.h"
#include "kv_button.h"
#include "kv_popup.h"

#include <QHBoxLayout>

KVOverwriteButtons KVOverwriteButtons::addTo(KVPopup *popup, const QString &buttonSheet)
{
    const bool japanese = KVLanguage::isJapanese();
    auto add = [&](const QString &text) {
        KVButton *button = KVButton::create(popup->buttonBar(), popup->buttonLayout(),
            QStringLiteral("popup_button"), QString(), QSize(120, 30));
        button->setText(text);
        if (!buttonSheet.isEmpty())
            button->setStyleSheet(buttonSheet);
        return button;
    };
    KVOverwriteButtons out;
    QHBoxLayout *row = popup->buttonLayout();
    row->addStretch(1);
    out.skip = add(japanese ? QStringLiteral("スキップ") : QStringLiteral("Skip"));
    row->addSpacing(10);
    out.overwrite = add(japanese ? QStringLiteral("置き換える") : QStringLiteral("Overwrite"));
    row->addSpacing(10);
    out.cancel = add(japanese ? QStringLiteral("キャンセル") : QStringLiteral("Cancel"));
    row->addStretch(1);
    // Return answers with Skip, the choice that loses nothing; Overwrite
    // takes a click (the buttons never take the focus).
    out.skip->setDefault(true);
    return out;
}
