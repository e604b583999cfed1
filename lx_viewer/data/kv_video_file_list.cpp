#include "kv_video_file_list.h"

#include "app/kv_settings.h"
#include "kv_video_file_list_backup.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QThread>
#include <QThreadPool>

#include <atomic>

namespace
{
std::atomic<bool> s_loadInProgress{false};
} // namespace

KVVideoFileList *KVVideoFileList::instance()
{
    static KVVideoFileList *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVVideoFileList();
    return s_instance;
}

KVVideoFileList::KVVideoFileList(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<KVBackupFailure>();
    qRegisterMetaType<KVBackupFailureList>();
    qRegisterMetaType<KVVideoItem *>();
}

QStringList KVVideoFileList::nameFilters()
{
    return {QStringLiteral("*.MOV"), QStringLiteral("*.MP4")};
}

void KVVideoFileList::scanFolder(const QString &folder, QList<QUrl> &urls, int depth)
{
    if (depth < kScanDepthLimit) {
        // Hidden folders are not listed (no QDir::Hidden), nor links to
        // folders: a link back up would list the card again at every level.
        const QStringList folders = QDir(folder).entryList(
            QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
        for (const QString &name : folders)
            scanFolder(QDir::cleanPath(folder + QLatin1Char('/') + name), urls, depth + 1);
    }
    // QDir compares name filters without regard to case.
    const QStringList files = QDir(folder).entryList(nameFilters(), QDir::Files, QDir::Name);
    for (const QString &name : files) {
        const QString path = QDir::cleanPath(folder + QLatin1Char('/') + name);
        if (KVVideoItem::probeFile(path, nullptr) != KVVideoItem::TYPE_NONE)
            urls.append(QUrl::fromLocalFile(path));
    }
}

void KVVideoFileList::loadFolder(const QString &folder)
{
    _loadingFolder = folder;
    QThreadPool::globalInstance()->start(new KVVideoFileListLoader(folder), kLoaderPriority);
}

QList<KVVideoItemRef> KVVideoFileList::build(const QList<QUrl> &urls)
{
    KVVideoFileListBuilder builder(thread());
    const bool onOwnThread = QThread::currentThread() == thread();
    const qsizetype n = urls.size();
    int lastProgress = -1;
    for (qsizetype i = 1; i <= n; ++i) {
        const int value = int(double(i) / double(n) * double(kProgressMaximum));
        if (value != lastProgress) {
            lastProgress = value;
            emit updateProgress(value);
            if (!onOwnThread)
                QCoreApplication::processEvents();
            QThread::usleep(1);
        }
        const QString path = urls.at(i - 1).toLocalFile();
        QDateTime start;
        const int type = KVVideoItem::probeFile(path, &start);
        if (type != KVVideoItem::TYPE_NONE)
            builder.addFile(path, start, type);
    }
    builder.sort();
    return builder.takeItems();
}

void KVVideoFileList::buildList(const QList<QUrl> &urls)
{
    emit listUpdateStarted(true);
    if (urls.isEmpty()) {
        emit listUpdateEnd(true);
        return;
    }
    const QList<KVVideoItemRef> items = build(urls);
    QMetaObject::invokeMethod(
        this, [this, items] { adoptBuild(items); }, Qt::QueuedConnection);
}

int KVVideoFileList::buildListNow(const QList<QUrl> &urls)
{
    Q_ASSERT(QThread::currentThread() == thread());
    emit listUpdateStarted(true);
    if (urls.isEmpty()) {
        emit listUpdateEnd(true);
        return 0;
    }
    adoptBuild(build(urls));
    return int(urls.size());
}

int KVVideoFileList::buildFolderNow(const QString &folder)
{
    QList<QUrl> urls;
    scanFolder(folder, urls, 0);
    _loadingFolder = folder;
    return buildListNow(urls);
}

void KVVideoFileList::adoptBuild(const QList<KVVideoItemRef> &items)
{
    // The previous items stay alive until this function returns (and then
    // for as long as anyone else holds a reference), so receivers of the
    // signals below may still look at them.
    if (items.isEmpty()) {
        // Files of recording names, none of them a recording (cut short by
        // a power loss, empty): the list in place stays, as for a folder
        // without such files, and the user hears why nothing changed.
        qInfo() << "KVVideoFileList: no usable recording in" << _loadingFolder << "[" << Q_FUNC_INFO
                << __LINE__ << "]";
        emit listUpdateEnd(true);
        emit buildFoundNothing(_loadingFolder);
        return;
    }
    _folder = _loadingFolder;
    QList<KVVideoItemRef> previous;
    previous.swap(_allItems);
    previous += _unlinked;
    _unlinked.clear();
    _allItems = items;
    _filter = KVVideoItem::FILTER_NORM | KVVideoItem::FILTER_EVEN | KVVideoItem::FILTER_PARK
        | KVVideoItem::FILTER_MANU;
    applyFilter();
    qInfo() << "KVVideoFileList: build ended with" << _allItems.size() << "recordings"
            << "[" << Q_FUNC_INFO << __LINE__ << "]";
    emit listUpdateEnd(true);
}

bool KVVideoFileList::hasRecording(const QString &path) const
{
    const QString key = KVVideoFileListBuilder::matchKey(path);
    for (const KVVideoItemRef &item : _allItems) {
        if (KVVideoFileListBuilder::matchKey(item->displayPath()) == key)
            return true;
    }
    return false;
}

bool KVVideoFileList::findPartner(KVVideoItem *item)
{
    KVVideoFileListBuilder builder(nullptr);
    return builder.findPartner(item);
}

void KVVideoFileList::applyFilter()
{
    emit listUpdateStarted(false);
    _visibleItems.clear();
    for (const KVVideoItemRef &item : std::as_const(_allItems)) {
        item->setChecked(false);
        const int bit = KVVideoItem::filterBit(item->type());
        if ((_filter & bit) == bit)
            _visibleItems.append(item.data());
    }
    setCurrentItem(nullptr);
    emit listUpdateEnd(false);
}

void KVVideoFileList::setFilter(int bits)
{
    _filter = bits;
    applyFilter();
}

void KVVideoFileList::setFilterBit(int bit, bool on)
{
    if (on)
        _filter |= bit;
    else
        _filter &= ~bit;
    applyFilter();
}

int KVVideoFileList::removeItem(KVVideoItem *item)
{
    const int index = int(_visibleItems.indexOf(item));
    if (index >= 0)
        _visibleItems.removeAt(index);
    if (item == _currentItem && index >= 0)
        _currentGoneAt = index;
    for (qsizetype i = 0; i < _allItems.size(); ++i) {
        if (_allItems.at(i).data() == item) {
            _unlinked.append(_allItems.takeAt(i));
            break;
        }
    }
    return index;
}

int KVVideoFileList::indexOfCurrent() const
{
    return _currentItem ? int(_visibleItems.indexOf(_currentItem)) : -1;
}

KVVideoItem *KVVideoFileList::neighbour(bool forward, int fromIndex) const
{
    if (fromIndex == -1 && !_currentItem)
        return nullptr;
    int start = fromIndex == -1 ? indexOfCurrent() : fromIndex;
    // The current recording was removed from the list: its place counts,
    // now held by the one that followed it.
    if (fromIndex == -1 && start < 0 && _currentGoneAt >= 0)
        start = forward ? _currentGoneAt - 1 : _currentGoneAt;
    int target = forward ? start + 1 : start - 1;
    if (target < 0)
        return nullptr;
    const int count = int(_visibleItems.size());
    if (forward && target >= count)
        target = 0;
    if (target >= count)
        return nullptr;
    return _visibleItems.at(target);
}

QList<KVVideoItem *> KVVideoFileList::allItems() const
{
    QList<KVVideoItem *> items;
    items.reserve(_allItems.size());
    for (const KVVideoItemRef &item : _allItems)
        items.append(item.data());
    return items;
}

void KVVideoFileList::setCurrentItem(KVVideoItem *item)
{
    _currentItem = item;
    _currentRef = item ? item->sharedFromThis() : KVVideoItemRef();
    _currentGoneAt = -1;
}

KVVideoItemRef KVVideoFileList::ref(KVVideoItem *item) const
{
    return item ? item->sharedFromThis() : KVVideoItemRef();
}

void KVVideoFileList::setLoadInProgress(bool loading)
{
    s_loadInProgress.store(loading);
}

bool KVVideoFileList::loadInProgress()
{
    return s_loadInProgress.load();
}

void KVVideoFileList::onPlayNextVideo(int fromIndex)
{
    if (fromIndex == -1 && !_currentItem)
        return;
    if (loadInProgress())
        return;
    const int old = indexOfCurrent();
    if (KVVideoItem *item = neighbour(true, fromIndex))
        emit playItemFound(item, old);
    else
        emit playNoMoreItem();
}

void KVVideoFileList::onPlayPreviousVideo(int fromIndex)
{
    if (fromIndex == -1 && !_currentItem)
        return;
    if (loadInProgress())
        return;
    const int old = indexOfCurrent();
    const int target = fromIndex == -1 ? (old >= 0 ? old - 1 : -2) : fromIndex - 1;
    if (target >= 0 && target < _visibleItems.size())
        emit playItemFound(_visibleItems.at(target), old);
    else
        emit playNoMoreItem();
}

bool KVVideoFileList::stopBackupForExit(int timeoutMs)
{
    KVBackupHandover &handover = KVBackupHandover::instance();
    if (!handover.isRunning())
        return true;
    qInfo() << "KVVideoFileList: closing during a backup: cancelled"
            << "[" << Q_FUNC_INFO << __LINE__ << "]";
    handover.cancel();
    if (handover.waitForFinish(timeoutMs))
        return true;
    qWarning() << "KVVideoFileList: the backup did not end within" << timeoutMs << "ms"
               << "[" << Q_FUNC_INFO << __LINE__ << "]";
    return false;
}

bool KVVideoFileList::startBackup(const QString &targetFolder)
{
    if (!_currentItem || !_visibleItems.contains(_currentItem))
        return false;
    if (!KVBackupHandover::instance().begin())
        return false;
    KVVideoFileListBackup::Recording recording;
    recording.frontPath = _currentItem->frontPath();
    recording.rearPath = _currentItem->rearPath();
    auto *worker = new KVVideoFileListBackup(targetFolder, {recording});
    QThreadPool::globalInstance()->start(worker, kLoaderPriority);
    return true;
}

void KVVideoFileListLoader::run()
{
    QList<QUrl> urls;
    KVVideoFileList::scanFolder(_folder, urls, 0);
    KVVideoFileList *list = KVVideoFileList::instance();
    const QString folder = _folder;
    if (urls.isEmpty()) {
        qInfo() << "KVVideoFileList: no recording files in" << folder << "[" << Q_FUNC_INFO
                << __LINE__ << "]";
        QMetaObject::invokeMethod(
            list, [list, folder] { emit list->buildFoundNothing(folder); }, Qt::QueuedConnection);
        return;
    }
    // Queued before the build's first report, so it is stored first.
    QMetaObject::invokeMethod(
        list, [folder] { KVSettings::instance()->setRecentPath(folder); }, Qt::QueuedConnection);
    list->buildList(urls);
}
