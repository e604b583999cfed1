#include "kv_video_file_list_builder.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

KVVideoFileListBuilder::KVVideoFileListBuilder(QThread *itemThread) : _itemThread(itemThread)
{
}

QString KVVideoFileListBuilder::matchKey(const QString &path)
{
    QString base = QFileInfo(path).baseName();
    if (base.endsWith(QLatin1Char('F'), Qt::CaseInsensitive)
        || base.endsWith(QLatin1Char('R'), Qt::CaseInsensitive))
        base.chop(1);
    return base.toUpper();
}

KVVideoItemRef KVVideoFileListBuilder::makeRef(KVVideoItem *item)
{
    // deleteLater: the last reference may go away inside a slot the item
    // itself is calling, or on another thread than the item's.
    return KVVideoItemRef(item, [](KVVideoItem *doomed) { doomed->deleteLater(); });
}

bool KVVideoFileListBuilder::hasRecording(const QString &path) const
{
    return _keys.contains(matchKey(path));
}

const QHash<QString, QString> &KVVideoFileListBuilder::folderIndex(const QString &folder)
{
    auto found = _folders.find(folder);
    if (found != _folders.end())
        return found.value();
    QHash<QString, QString> index;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        const QString upper = name.toUpper();
        if (!index.contains(upper))
            index.insert(upper, name);
    }
    return _folders.insert(folder, index).value();
}

bool KVVideoFileListBuilder::findPartner(KVVideoItem *item)
{
    const QString display = item->displayPath();
    const QFileInfo info(display);
    const QString folder = info.absolutePath();
    const QString base = info.baseName();
    if (base.isEmpty())
        return false;
    const QChar letter = base.back();
    const bool isRear = letter.toUpper() == QLatin1Char('R');
    // The partner's camera letter in the item's own letter case.
    QChar partnerLetter = QLatin1Char(isRear ? 'F' : 'R');
    if (letter.isLower())
        partnerLetter = partnerLetter.toLower();
    const QString suffix = info.suffix();
    const QString natural = base.left(base.size() - 1) + partnerLetter
        + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);

    QString partner = QDir::cleanPath(folder + QLatin1Char('/') + natural);
    const QFileInfo naturalInfo(partner);
    // Only a regular file (or a link to one) is a partner: a pipe under the
    // name would block the reader, a folder is no recording.
    if (!naturalInfo.isFile()) {
        // Cards written by other tools mix letter cases: look the name up in
        // the folder without regard to case.
        const QString name = folderIndex(folder).value(natural.toUpper());
        if (name.isEmpty())
            return false;
        partner = QDir::cleanPath(folder + QLatin1Char('/') + name);
    }
    if (isRear)
        item->setFrontPath(partner);
    else
        item->setRearPath(partner);
    return true;
}

bool KVVideoFileListBuilder::addFile(const QString &path, const QDateTime &start, int type)
{
    const QString clean = QDir::cleanPath(path);
    bool isRear = false;
    KVVideoItem::recordingKey(clean, &isRear);
    if (hasRecording(clean))
        return false;
    auto item = std::make_unique<KVVideoItem>(clean, isRear, start);
    if (!item->isValid())
        return false;
    item->setType(type);
    if (findPartner(item.get()) && !item->checkRear()) {
        if (KVVideoItem::hasMovieDuration(item->rearPath()))
            return true; // the rear file is too short: the whole recording is left out
        // A rear file without a length (empty, or cut when the power went)
        // says nothing about the recording: the front file plays alone
        // rather than the good recording vanishing from the list.
        qInfo() << "rear file is no recording, front file kept alone" << item->rearPath() << "["
                << Q_FUNC_INFO << __LINE__ << "]";
        item = std::make_unique<KVVideoItem>(clean, isRear, start);
        if (!item->isValid())
            return false;
        item->setType(type);
    }
    // A front file that is no recording (cut before its movie header, or at
    // most 300 ms) is one the scan left out: a good rear file stays a
    // recording of its own rather than one whose main picture cannot play.
    if (isRear && !item->frontPath().isEmpty()
        && !KVVideoItem(item->frontPath(), false, start).isValid()) {
        qInfo() << "front file is no recording, rear file kept alone" << item->frontPath() << "["
                << Q_FUNC_INFO << __LINE__ << "]";
        item->setFrontPath(QString());
    }
    if (_itemThread && item->thread() != _itemThread)
        item->moveToThread(_itemThread);
    _keys.insert(matchKey(clean));
    _items.append(makeRef(item.release()));
    return true;
}

void KVVideoFileListBuilder::sort()
{
    // Start times are turned into numbers once: comparing local date-times
    // converts both sides on every comparison.
    struct Entry {
        qint64 start;
        int type;
        KVVideoItemRef item;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(_items.size()));
    for (const KVVideoItemRef &item : std::as_const(_items)) {
        const qint64 start = item->start().isValid() ? item->start().toMSecsSinceEpoch()
                                                     : std::numeric_limits<qint64>::min();
        entries.push_back({start, item->type(), item});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.start != b.start ? a.start < b.start : a.type < b.type;
    });
    _items.clear();
    for (Entry &entry : entries)
        _items.append(std::move(entry.item));
}

QList<KVVideoItemRef> KVVideoFileListBuilder::takeItems()
{
    QList<KVVideoItemRef> items;
    items.swap(_items);
    _keys.clear();
    return items;
}
