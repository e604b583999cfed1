#include "kv_frame_list.h"

#include "app/kv_app.h"
#include "app/kv_folder_picker.h"
#include "app/kv_settings.h"
#include "core/kv_key_event.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "kv_backup_controller.h"
#include "kv_lx_button.h"
#include "kv_popup_message.h"
#include "kv_style.h"
#include "kv_widget_video_list.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace
{
KVVideoFileList *catalogue()
{
    return KVVideoFileList::instance();
}

struct TypeButton {
    const char *name;
    int mask;
};
const TypeButton kTypes[] = {
    {"type_all", KVFrameList::MASK_ALL},
    {"type_normal", KVFrameList::MASK_NORMAL},
    {"type_event", KVFrameList::MASK_EVENT},
    {"type_manual", KVFrameList::MASK_MANUAL},
    {"type_park", KVFrameList::MASK_PARK},
};
constexpr int kTypeCount = int(sizeof(kTypes) / sizeof(kTypes[0]));

const LXButtonColors kTypeColors{0x595959, 0x2E2E2E, 0x343434, 0x595959, 0x3A3A3A};
} // namespace

KVFrameList *KVFrameList::instance()
{
    static KVFrameList *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVFrameList();
    return s_instance;
}

KVFrameList::KVFrameList(QWidget *parent) : KVWidgetBase(parent)
{
    applyBorderStyle(this, QStringLiteral("border_frame"), 0x666666);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    auto *header = new QWidget(this);
    header->setFixedHeight(kHeaderHeight);
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->setSpacing(0);
    _headerLabel = new QLabel(header);
    _headerLabel->setObjectName(QStringLiteral("list_title"));
    _headerLabel->setPixmap(QPixmap(QStringLiteral(":/image/title_list.png")));
    headerLayout->addWidget(_headerLabel, 0, Qt::AlignLeft | Qt::AlignVCenter);
    headerLayout->addStretch(1);
    _backupButton = LXButton::createImageButton(header, nullptr, QStringLiteral("backup"),
        KVLanguage::lookupJapanese(QStringLiteral("backup")), QSize(kBackupWidth, kBackupHeight));
    headerLayout->addWidget(_backupButton, 0, Qt::AlignRight | Qt::AlignVCenter);
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, _backupButton, QStringLiteral("Backup"));
    layout->addWidget(header);

    auto *types = new QWidget(this);
    types->setFixedHeight(kTypeRowHeight);
    auto *typeLayout = new QHBoxLayout(types);
    typeLayout->setContentsMargins(0, 0, 0, 0);
    typeLayout->setSpacing(0);
    for (int i = 0; i < kTypeCount; ++i) {
        LXButton *button
            = LXButton::createColorButton(types, typeLayout, QString::fromLatin1(kTypes[i].name),
                QString(), QSize(kTypeButtonWidth, kTypeRowHeight), kTypeColors);
        button->setCheckable(true);
        button->setValue(kTypes[i].mask);
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, &KVFrameList::onToggleGroup);
        _typeButtons << button;
    }
    typeLayout->addStretch(1);
    _typeAll = _typeButtons.first();
    layout->addWidget(types);

    _table = new KVWidgetVideoList(this);
    layout->addWidget(_table, 1);

    _backup = new KVBackupController(this);
    connect(_backupButton, &QPushButton::clicked, this, &KVFrameList::onBackup);
    connect(catalogue(), &KVVideoFileList::listUpdateEnd, this, &KVFrameList::onListUpdate);
    connect(catalogue(), &KVVideoFileList::buildFoundNothing, this, [this](const QString &folder) {
        _scanning = false;
        showNoRecordings(folder);
        openPendingFolder();
    });
    connect(catalogue(), &KVVideoFileList::backupEnd, this, [this] { openPendingFolder(); });
    connect(
        KVLanguage::instance(), &KVLanguage::languageChange, this, &KVFrameList::onLanguageChange);
}

QString KVFrameList::typeName(int index)
{
    return index >= 0 && index < kTypeCount ? QString::fromLatin1(kTypes[index].name) : QString();
}

int KVFrameList::typeMask(int index)
{
    return index >= 0 && index < kTypeCount ? kTypes[index].mask : 0;
}

QString KVFrameList::openCaption()
{
    return KVLanguage::isJapanese() ? KVLanguage::lookupJapanese(QStringLiteral("open_message"))
                                    : QStringLiteral("Open Folder");
}

QString KVFrameList::backupCaption()
{
    return KVLanguage::isJapanese() ? QStringLiteral("保存") : QStringLiteral("Backup AVI files");
}

void KVFrameList::onToggleGroup()
{
    auto *sender = qobject_cast<LXButton *>(this->sender());
    if (!sender || !_typeButtons.contains(sender))
        return;
    for (LXButton *button : std::as_const(_typeButtons))
        button->setChecked(button == sender);
    // The type already shown: nothing changes, so the recording being
    // played goes on (a new filter stops it and starts the list again).
    if (sender->value() == catalogue()->filter())
        return;
    catalogue()->setFilter(sender->value());
}

void KVFrameList::openPendingFolder()
{
    if (_pendingFolder.isEmpty())
        return;
    // After the receivers of the end have all run.
    QTimer::singleShot(0, this, [this] {
        if (_pendingFolder.isEmpty() || !canOpen())
            return;
        openFolder(std::exchange(_pendingFolder, QString()));
    });
}

void KVFrameList::onListUpdate(bool loading)
{
    if (!loading)
        return;
    _scanning = false;
    openPendingFolder();
    const bool any = !catalogue()->allItems().isEmpty();
    // A new list shows every type; a build that found nothing usable left
    // the list, and its type, as they were.
    for (LXButton *button : std::as_const(_typeButtons)) {
        button->setEnabled(any);
        button->setChecked(button->value() == catalogue()->filter());
    }
}

void KVFrameList::showMessage(const QString &text)
{
    const bool japanese = KVLanguage::isJapanese();
    auto *message = new KVPopupMessage(KVApp::instance()->mainWindow(), text,
        japanese ? QStringLiteral("注意") : QStringLiteral("Warning"));
    message->setObjectName(QStringLiteral("popup_open_folder"));
    message->exec();
    delete message;
}

bool KVFrameList::canOpen() const
{
    return !_scanning && !KVVideoFileList::isBackupRunning();
}

bool KVFrameList::openFolder(const QString &folder)
{
    const bool japanese = KVLanguage::isJapanese();
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    if (!canOpen()) {
        // Only a later start's "open with" gets here (the button and drops
        // are refused while busy): the user asked for this folder, so it
        // opens once the scan or backup has ended. Of several such folders
        // (three selected and opened at once) the last one asked for wins.
        qInfo() << "a scan or backup is running; opening afterwards" << path << "[" << Q_FUNC_INFO
                << __LINE__ << "]";
        _pendingFolder = path;
        return false;
    }
    const KVFolderPicker::Problem problem = KVFolderPicker::checkFolder(path);
    if (problem != KVFolderPicker::FOLDER_OK) {
        qInfo() << "folder refused:" << path << problem << "[" << Q_FUNC_INFO << __LINE__ << "]";
        showMessage(KVFolderPicker::problemText(problem, japanese) + QLatin1Char('\n')
            + QDir::toNativeSeparators(path));
        return false;
    }
    // The loader scans off the GUI thread; the catalogue stores the recent
    // folder and builds only when recordings are found, otherwise the list
    // in place stays and buildFoundNothing brings the message.
    _scanning = true;
    catalogue()->loadFolder(path);
    return true;
}

void KVFrameList::showNoRecordings(const QString &folder)
{
    showMessage((KVLanguage::isJapanese() ? QStringLiteral("録画ファイルが見つかりません。")
                                          : QStringLiteral("No recordings in this folder."))
        + QLatin1Char('\n') + QDir::toNativeSeparators(folder));
}

void KVFrameList::onOpen()
{
    if (KVKeyEvent::instance()->isKeyHeld() || !canOpen())
        return;
    const QString folder = KVApp::instance()->browseFolder(
        KVSettings::instance()->recentPath(), false, openCaption());
    if (folder.isEmpty())
        return;
    openFolder(folder);
}

void KVFrameList::onBackup()
{
    if (KVKeyEvent::instance()->isKeyHeld() || KVVideoFileList::isBackupRunning())
        return;
    // The recording being played is the one copied; with none the button
    // would do nothing at all.
    if (!catalogue()->currentItem()) {
        const bool japanese = KVLanguage::isJapanese();
        showMessage(japanese ? QStringLiteral("コピーする録画を再生してください。")
                             : QStringLiteral("Play the recording to back up first."));
        return;
    }
    KVPlayer::instance()->pauseIfRunning();
    const QString folder
        = KVApp::instance()->browseFolder(KVApp::path(KVApp::PATH_BACKUP), true, backupCaption());
    if (folder.isEmpty())
        return;
    if (!catalogue()->startBackup(folder))
        qInfo() << "backup not started:" << folder << "[" << Q_FUNC_INFO << __LINE__ << "]";
}

void KVFrameList::applyTypePicture(LXButton *button, int index)
{
    const QString name = typeName(index) + KVLanguage::languageSuffix();
    button->setObjectName(name);
    button->setStyleSheet(KVStyleTemplate::colorButton(name, kTypeColors));
}

void KVFrameList::onLanguageChange(KVLanguage::LANGUAGE_TYPE)
{
    const QString suffix = KVLanguage::languageSuffix();
    _headerLabel->setPixmap(
        QPixmap(QStringLiteral(":/image/title_list") + suffix + QStringLiteral(".png")));
    for (int i = 0; i < _typeButtons.size(); ++i)
        applyTypePicture(_typeButtons.at(i), i);
    _backupButton->setStyleName(QStringLiteral("backup") + suffix);
    // The table rebuilds itself on the same signal.
}
