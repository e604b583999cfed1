#include "kv_popup_info.h"

#include "app/kv_graphics.h"
#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "kv_app_restart.h"
#include "kv_button.h"
#include "kv_layout.h"
#include "kv_lx_button.h"
#include "kv_popup_content_background.h"
#include "kv_popup_message.h"
#include "kv_title_widget.h"
#include "kv_widget_check_box.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
QString ja(const char *key)
{
    return KVLanguage::lookupJapanese(QLatin1String(key));
}
} // namespace

KVPopupInfo::KVPopupInfo(QWidget *parent, const QString &, const QString &logo)
    : KVPopup(parent, ja("viewer_sw_version"), logo)
{
    const bool japanese = KVLanguage::isJapanese();
    setFixedSize(320, 210);
    if (!japanese && titleWidget()->titleLabel())
        titleWidget()->titleLabel()->setText(QStringLiteral("Viewer S/W Version Info."));
    titleWidget()->closeButton()->hide();

    auto *panel = KVPopupContentBackground::addTo(contentWidget());

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 8, 6, 8);
    layout->setSpacing(6);
    _headerLabel = KVLayout::addLabel(layout,
        japanese ? ja("viewer_sw_version") : QStringLiteral("Viewer S/W Version Info."),
        "text_header_label");
    _versionLabel = KVLayout::addLabel(layout,
        QString::asprintf("Version : %d.%d.%d", kMajor, kMinor, kPatch), "text_normal_label");

    auto *row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    KVLayout::addSpacer(row, 20, 0);
    _accelBox = new KVWidgetCheckBox(panel);
    _accelBox->setObjectName(QStringLiteral("popup"));
    _accelBox->setText(japanese ? ja("hw_accel") : QStringLiteral("Enable H/W Acceleration"));
    row->addWidget(_accelBox);
    row->addStretch(1);
    layout->addLayout(row);

    setUpAccelBox(_accelBox, KVGraphics::isOldChipset(KVGraphics::displayAdapterNames()),
        KVSettings::instance()->hwAccelOff());
    connect(_accelBox, &QCheckBox::clicked, this, &KVPopupInfo::onHWAccelClicked);

    buttonLayout()->addStretch(1);
    _okButton = KVButton::create(
        buttonBar(), buttonLayout(), QStringLiteral("button"), ja("ok"), QSize(120, 30));
    _okButton->setText(QStringLiteral("OK"));
    // Return closes the pop-up (the button never takes the focus).
    _okButton->setDefault(true);
    buttonLayout()->addStretch(1);
    connect(_okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void KVPopupInfo::setUpAccelBox(KVWidgetCheckBox *box, bool oldChipset, bool hwAccelOff)
{
    if (oldChipset) {
        box->setChecked(false);
        box->setEnabled(false);
    } else {
        box->setEnabled(true);
        box->setChecked(!hwAccelOff);
    }
}

void KVPopupInfo::onHWAccelClicked()
{
    auto *box = qobject_cast<QCheckBox *>(sender());
    if (!box)
        box = _accelBox;
    const bool checked = box->isChecked();

    // The question is asked in Japanese whatever the language.
    QMessageBox question(QMessageBox::Warning, QString(), ja("restart_msg"),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    question.button(QMessageBox::Ok)->setText(ja("ok"));
    question.button(QMessageBox::Cancel)->setText(ja("cancel"));
    if (question.exec() != QMessageBox::Ok) {
        box->setChecked(!checked);
        return;
    }
    const bool japanese = KVLanguage::isJapanese();
    KVSettings *settings = KVSettings::instance();
    if (!settings->setHwAccelOff(!checked)) {
        // A restart would only bring the old choice back.
        settings->setHwAccelOff(checked);
        box->setChecked(!checked);
        showWarning((japanese ? QStringLiteral("設定を保存できませんでした。")
                              : QStringLiteral("The setting could not be saved."))
            + QLatin1Char('\n') + QDir::toNativeSeparators(settings->fileName()));
        return;
    }
    if (!KVAppRestart::restart())
        showWarning(japanese ? QStringLiteral("ビューアを再起動できませんでした。\n"
                                              "次回の起動時に設定が反映されます。")
                             : QStringLiteral("The viewer could not be restarted.\n"
                                              "The setting takes effect at the next start."));
}

void KVPopupInfo::showWarning(const QString &text)
{
    const bool japanese = KVLanguage::isJapanese();
    KVPopupMessage message(
        this, text, japanese ? QStringLiteral("注意") : QStringLiteral("Warning"));
    message.setObjectName(QStringLiteral("popup_info_warning"));
    message.exec();
}
