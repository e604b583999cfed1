#include "kv_dialog_progress.h"

#include "app/kv_language.h"
#include "data/kv_video_file_list.h"
#include "kv_button.h"
#include "kv_popup_content_background.h"

#include <QApplication>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
QPointer<KVDialogProgress> g_current;
bool g_waitCursor = false;
} // namespace

KVDialogProgress::KVDialogProgress(QWidget *parent, const QString &title)
    : KVPopup(parent, title, QString())
{
    setObjectName(QStringLiteral("dialog_progress"));
    setFixedWidth(kMaximum + 56);

    auto *panel = KVPopupContentBackground::addTo(contentWidget());
    panel->setMinimumHeight(60);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 8, 8, 8);
    _bar = new QProgressBar(panel);
    _bar->setObjectName(QStringLiteral("progress_bar"));
    _bar->setRange(0, kMaximum);
    _bar->setValue(0);
    _bar->setTextVisible(false);
    _bar->setFixedHeight(18);
    _bar->setStyleSheet(
        QStringLiteral("QProgressBar { background-color: #262626; border: 1px solid #6E6E6E; }"
                       " QProgressBar::chunk { background-color: #F0A030; }"));
    layout->addWidget(_bar);

    buttonLayout()->addStretch(1);
    _cancelButton = KVButton::create(
        buttonBar(), buttonLayout(), QStringLiteral("popup_button"), QString(), QSize(120, 30));
    _cancelButton->setText(KVLanguage::isJapanese()
            ? KVLanguage::lookupJapanese(QStringLiteral("cancel"))
            : QStringLiteral("Cancel"));
    buttonLayout()->addStretch(1);
    connect(_cancelButton, &QPushButton::clicked, this, &KVDialogProgress::onCancel);
}

KVDialogProgress *KVDialogProgress::open(QWidget *parent, const QString &title)
{
    close();
    g_current = new KVDialogProgress(parent, title);
    g_current->setModal(false);
    g_current->show();
    return g_current;
}

KVDialogProgress *KVDialogProgress::current()
{
    return g_current;
}

void KVDialogProgress::close()
{
    if (!g_current)
        return;
    KVDialogProgress *dialog = g_current;
    g_current = nullptr;
    dialog->hide();
    delete dialog;
}

void KVDialogProgress::restoreCursor()
{
    if (!g_waitCursor)
        return;
    g_waitCursor = false;
    QApplication::restoreOverrideCursor();
}

void KVDialogProgress::onUpdateValue(int value)
{
    _bar->setValue(value);
}

void KVDialogProgress::onCancel()
{
    // The open-card pop-up has nothing to cancel; a wait cursor set there
    // would never be taken back.
    if (!KVVideoFileList::isBackupRunning())
        return;
    if (!g_waitCursor) {
        g_waitCursor = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    KVVideoFileList::cancelBackup();
}

void KVDialogProgress::reject()
{
    // The pop-up stays until the backup has ended and removes it.
    onCancel();
}
