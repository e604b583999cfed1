#include "kv_folder_picker.h"

#include "kv_language.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStorageInfo>

namespace {
QString g_windowTitle;
int g_nativeDialog = -1; // -1: decided by the environment
QString g_nextChoice; // null: the dialog's own selection
} // namespace

void KVFolderPicker::setNextChoiceForTests(const QString &path)
{
    g_nextChoice = path;
}

void KVFolderPicker::setUseNativeDialog(bool native)
{
    g_nativeDialog = native ? 1 : 0;
}

bool KVFolderPicker::useNativeDialog()
{
    if (g_nativeDialog < 0)
        return qEnvironmentVariableIsEmpty("KORVID_TESTING");
    return g_nativeDialog == 1;
}

QString KVFolderPicker::instructionText(const QString &title)
{
    return title.isEmpty() ? QStringLiteral("ファイルOPEN") : title;
}

QString KVFolderPicker::takeWindowTitle(const QString &title)
{
    if (!title.isEmpty())
        g_windowTitle = title;
    return g_windowTitle;
}

KVFolderPicker::Problem KVFolderPicker::checkFolder(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || !info.isDir())
        return FOLDER_MISSING;
    // A card reader's mount point without a card, or a network share that went away.
    const QStorageInfo storage(path);
    if (!storage.isValid() || !storage.isReady())
        return FOLDER_NOT_READY;
    if (!info.isReadable() || !info.isExecutable())
        return FOLDER_NOT_READABLE;
    QDir dir(path);
    if (!dir.isReadable())
        return FOLDER_NOT_READABLE;
    return FOLDER_OK;
}

QString KVFolderPicker::problemText(Problem problem, bool japanese)
{
    switch (problem) {
    case FOLDER_OK:
        return QString();
    case FOLDER_MISSING:
        return japanese ? QStringLiteral("フォルダがありません。")
                        : QStringLiteral("The folder does not exist.");
    case FOLDER_NOT_READABLE:
        return japanese ? QStringLiteral("フォルダを読み込めません。")
                        : QStringLiteral("The folder cannot be read.");
    case FOLDER_NOT_READY:
        return japanese ? QStringLiteral("メディアの準備ができていません。")
                        : QStringLiteral("The medium is not ready.");
    }
    return QString();
}

QString KVFolderPicker::browse(QWidget *owner, const QString &start, bool allowNewFolder,
                               const QString &title)
{
    const QString instruction = instructionText(title);
    const QString windowTitle = takeWindowTitle(title);
    QString from = QDir::toNativeSeparators(start);
    for (;;) {
        QFileDialog dialog(owner, windowTitle.isEmpty() ? instruction : windowTitle, from);
        dialog.setObjectName(QStringLiteral("folder_picker"));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
        dialog.setOption(QFileDialog::DontUseNativeDialog, !useNativeDialog());
        dialog.setOption(QFileDialog::ReadOnly, !allowNewFolder);
        dialog.setLabelText(QFileDialog::LookIn, instruction);
        if (dialog.exec() != QDialog::Accepted)
            return QString();
        QString picked = dialog.selectedFiles().value(0);
        if (!g_nextChoice.isNull()) {
            picked = g_nextChoice;
            g_nextChoice = QString();
        }
        const QString chosen = QDir::cleanPath(picked);
        const Problem problem = checkFolder(chosen);
        if (problem == FOLDER_OK)
            return chosen;
        qInfo() << "folder refused:" << chosen << problem << "[" << Q_FUNC_INFO << __LINE__ << "]";
        const bool japanese = KVLanguage::isJapanese();
        QMessageBox box(QMessageBox::Warning,
                        japanese ? QStringLiteral("注意") : QStringLiteral("Warning"),
                        problemText(problem, japanese) + QLatin1Char('\n')
                            + QDir::toNativeSeparators(chosen),
                        QMessageBox::Ok, owner);
        box.setObjectName(QStringLiteral("folder_picker_message"));
        box.exec();
        // Start again next to the refused folder.
        QFileInfo info(chosen);
        while (!info.absoluteFilePath().isEmpty() && !info.isDir() && info.absolutePath() != info.absoluteFilePath())
            info = QFileInfo(info.absolutePath());
        from = info.isDir() ? info.absoluteFilePath() : start;
    }
}
