#include "kv_popup_capture.h"

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "kv_button.h"
#include "kv_dialog_overwrite_sys.h"
#include "kv_file_replace.h"
#include "kv_layout.h"
#include "kv_popup_content_background.h"
#include "kv_title_widget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>
#include <QtDebug>

namespace
{
KVButton *textButton(QWidget *parent, QBoxLayout *layout, const QString &japanese,
    const QString &english, const QSize &size)
{
    KVButton *button = KVButton::create(parent, layout, QStringLiteral("button"), QString(), size);
    button->setText(KVLanguage::isJapanese() ? japanese : english);
    KVLanguage *language = KVLanguage::instance();
    language->registerText(KVLanguage::LANGUAGE_JAPANESE, KVLanguage::TEXT, button, japanese);
    language->registerText(KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TEXT, button, english);
    return button;
}
} // namespace

KVPopupCapture::KVPopupCapture(QWidget *parent, QStringList *captures)
    : KVPopup(parent, QStringLiteral("キャプチャー"), QString()), _captures(captures)
{
    const bool japanese = KVLanguage::isJapanese();
    setObjectName(QStringLiteral("popup_capture"));
    setFixedSize(kWidth, kHeight);
    if (!japanese && titleWidget()->titleLabel())
        titleWidget()->titleLabel()->setText(QStringLiteral("Save Capture"));

    auto *panel = KVPopupContentBackground::addTo(contentWidget());

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    _headerLabel = KVLayout::addLabel(layout,
        japanese ? QStringLiteral("キャプチャーをJPEGで保存します")
                 : QStringLiteral("Save capture file in JPEG"),
        "text_header_label");

    auto *nameRow = new QHBoxLayout();
    nameRow->setSpacing(6);
    KVLayout::addLabel(nameRow,
        japanese ? QStringLiteral("ファイル名") + QStringLiteral(" : ")
                 : QStringLiteral("File Name: "),
        "text_normal_label");
    _nameEdit = new QLineEdit(panel);
    _nameEdit->setObjectName(QStringLiteral("file"));
    if (_captures && !_captures->isEmpty())
        _nameEdit->setText(proposedBaseName(_captures->first()));
    nameRow->addWidget(_nameEdit, 1);
    layout->addLayout(nameRow);

    auto *folderRow = new QHBoxLayout();
    folderRow->setSpacing(6);
    _folderEdit = new QLineEdit(panel);
    _folderEdit->setObjectName(QStringLiteral("file"));
    _folderEdit->setReadOnly(true);
    _folderEdit->setText(QDir::toNativeSeparators(KVSettings::instance()->backupPath()));
    _folderEdit->setToolTip(_folderEdit->text());
    folderRow->addWidget(_folderEdit, 1);
    _folderButton = textButton(
        panel, folderRow, QStringLiteral("変更"), QStringLiteral("Other.."), QSize(90, 28));
    layout->addLayout(folderRow);
    layout->addStretch(1);

    buttonLayout()->addStretch(1);
    _saveButton = textButton(buttonBar(), buttonLayout(), QStringLiteral("保存"),
        QStringLiteral("Save"), QSize(120, 30));
    KVLayout::addSpacer(buttonLayout(), 10, 0);
    _cancelButton = textButton(buttonBar(), buttonLayout(), QStringLiteral("キャンセル"),
        QStringLiteral("Cancel"), QSize(120, 30));
    buttonLayout()->addStretch(1);

    // The buttons never take the focus: Return reaches Save as the dialog's
    // default button.
    _saveButton->setDefault(true);

    connect(_folderButton, &QPushButton::clicked, this, &KVPopupCapture::onChangeFolder);
    connect(_saveButton, &QPushButton::clicked, this, &KVPopupCapture::onOK);
    connect(_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    _nameEdit->setFocus(Qt::OtherFocusReason);
}

QString KVPopupCapture::proposedBaseName(const QString &capturePath)
{
    const QString base = QFileInfo(capturePath).baseName();
    return base.split(QLatin1Char('_'), Qt::KeepEmptyParts).mid(0, 2).join(QLatin1Char('_'));
}

QString KVPopupCapture::cameraWord(const QString &capturePath)
{
    // The file's own name, not the folders above it (a user's home may
    // well be called ...CH1...).
    return QFileInfo(capturePath).fileName().contains(QLatin1String("CH1"))
        ? QStringLiteral("前方")
        : QStringLiteral("後方");
}

QString KVPopupCapture::finalPath(
    const QString &folder, const QString &base, const QString &capturePath)
{
    return QDir::cleanPath(folder + QDir::separator() + base + QLatin1Char('_')
        + cameraWord(capturePath) + QStringLiteral(".jpg"));
}

bool KVPopupCapture::isUsableName(const QString &base)
{
    // A name is a name in the chosen folder: separators would write
    // elsewhere ("../x" leaves it), "." and ".." are folders.
    const QString trimmed = base.trimmed();
    return !trimmed.isEmpty() && !base.contains(QLatin1Char('/'))
        && !base.contains(QLatin1Char('\\')) && !base.contains(QChar(0))
        && trimmed != QLatin1String(".") && trimmed != QLatin1String("..");
}

QStringList KVPopupCapture::finalPaths() const
{
    QStringList paths;
    if (!_captures)
        return paths;
    const QString folder = QDir::fromNativeSeparators(_folderEdit->text());
    for (const QString &capture : *_captures)
        paths << finalPath(folder, _nameEdit->text(), capture);
    return paths;
}

void KVPopupCapture::onChangeFolder()
{
    const QString title
        = KVLanguage::isJapanese() ? QStringLiteral("フォルダー変更") : QStringLiteral("AVI files");
    const QString folder = KVApp::instance()->browseFolder(
        QDir::fromNativeSeparators(_folderEdit->text()), true, title);
    if (folder.isEmpty())
        return;
    // Stored only once a picture was saved there (save()): a folder that
    // cannot be written must not be proposed for every later capture.
    _folderEdit->setText(QDir::toNativeSeparators(folder));
    _folderEdit->setToolTip(_folderEdit->text());
}

void KVPopupCapture::warn(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QString(), text, QMessageBox::Ok, this);
    box.exec();
}

void KVPopupCapture::onOK()
{
    // 1.
    if (_nameEdit->text().trimmed().isEmpty()) {
        warn(QStringLiteral("ファイル名を入れてください。"));
        return;
    }
    if (!isUsableName(_nameEdit->text())) {
        warn(KVLanguage::isJapanese()
                ? QStringLiteral("ファイル名に「/」「\\」は使えません。")
                : QStringLiteral("A file name cannot contain \"/\" or \"\\\"."));
        return;
    }
    // 2.
    bool exists = false;
    for (const QString &path : finalPaths())
        exists = exists || QFileInfo::exists(path);
    if (exists) {
        QWidget *owner = KVApp::instance()->mainWindow();
        KVDialogOverwriteSys question(
            owner ? owner : this, _nameEdit->text() + QStringLiteral("_*.jpg"));
        if (question.exec() != QDialog::Accepted)
            return;
    }
    // 3.
    accept();
}

bool KVPopupCapture::save()
{
    if (!_captures)
        return false;
    const QString folder = QDir::fromNativeSeparators(_folderEdit->text());
    // A backup folder that was removed since it was chosen is made again.
    QDir().mkpath(folder);
    bool ok = true;
    bool pictureMissing = false;
    QString reason; // of the first move into the folder that failed
    const QStringList all = *_captures;
    for (const QString &capture : all) {
        const QString target = finalPath(folder, _nameEdit->text(), capture);
        QString why;
        if (KVFileReplace::move(capture, target, &why)) {
            // Moved files leave the list: what stays is still temporary.
            _captures->removeOne(capture);
            continue;
        }
        qInfo() << "capture not saved" << capture << target << why << "[" << Q_FUNC_INFO << __LINE__
                << "]";
        ok = false;
        if (!QFileInfo::exists(capture))
            pictureMissing = true;
        else if (reason.isEmpty())
            reason = why;
    }
    if (ok) {
        KVSettings::instance()->setBackupPath(folder);
        return true;
    }
    const bool japanese = KVLanguage::isJapanese();
    if (!reason.isEmpty()) {
        // The folder refused the file: say so, with the system's reason.
        warn((japanese ? QStringLiteral("このフォルダーに保存できませんでした。")
                       : QStringLiteral("The file could not be saved in this folder."))
            + QStringLiteral("\n") + QDir::toNativeSeparators(folder) + QStringLiteral("\n(")
            + reason + QStringLiteral(")"));
    } else if (pictureMissing) {
        // The capture's own picture is gone.
        warn(japanese ? QStringLiteral("JPEGファイル生成に失敗しました。")
                      : QStringLiteral("Unable to save file."));
    }
    return false;
}

void KVPopupCapture::removeTemporaryFiles(const QStringList &files)
{
    for (const QString &file : files) {
        QFile::setPermissions(
            file, QFile::permissions(file) | QFileDevice::WriteOther | QFileDevice::WriteOwner);
        if (QFileInfo::exists(file) && !QFile::remove(file))
            qInfo() << "capture file not removed" << file << "[" << Q_FUNC_INFO << __LINE__ << "]";
    }
}
