#include "kv_video_item.h"

#include "kv_format_mov.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The recorder's name: type word, yyMMdd-HHmmss, camera letter. The commas
// inside the brackets are members of the sets, as the recorder's own viewer
// has always accepted them.
const QRegularExpression &nameExpression()
{
    static const QRegularExpression expression(QRegularExpression::anchoredPattern(
        QStringLiteral("[N,E,M,P][O,V,A][R,E,N][M,N,U,K][0-9]{6}-[0-9]{6}[F,R]")));
    return expression;
}

bool isMovieExtension(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toUpper();
    return suffix == QLatin1String("MOV") || suffix == QLatin1String("MP4");
}

// Regular files only: a pipe or device under a recording's name would block
// the reading thread for good, so the open does not wait and anything else
// is refused (reads of a regular file never wait, O_NONBLOCK or not).
FILE *openForReading(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        qInfo() << "KVVideoItem: not a regular file" << path << "[" << Q_FUNC_INFO << __LINE__
                << "]";
        ::close(fd);
        return nullptr;
    }
    FILE *file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

} // namespace

// --- name level

QString KVVideoItem::parseName(const QString &path, int *type)
{
    const QString base = QFileInfo(path.toUpper()).baseName();
    if (!nameExpression().match(base).hasMatch()) {
        if (type)
            *type = TYPE_NONE;
        return QString();
    }
    if (type) {
        if (base.startsWith(QLatin1String("NORM")))
            *type = TYPE_NORM;
        else if (base.startsWith(QLatin1String("EVEN")))
            *type = TYPE_EVEN;
        else if (base.startsWith(QLatin1String("MANU")))
            *type = TYPE_MANU;
        else if (base.startsWith(QLatin1String("PARK")))
            *type = TYPE_PARK;
        else
            *type = TYPE_NORM;
    }
    return base.mid(4, 13);
}

QDateTime KVVideoItem::parseDateTime(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('-'), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return QDateTime();
    // Date and time are parsed apart and joined once: every local date-time
    // step asks the time-zone database, which a scan of thousands of files
    // feels. The two-digit year reads as 19yy; the recorder means 20yy.
    const QString dateFormat = QStringLiteral("yyMMdd");
    QDate date = QDate::fromString(parts[0], dateFormat).addYears(100);
    if (date.year() < 1900) {
        // The day does not exist in that month: count on from the first.
        const int day = text.mid(4, 2).toInt();
        date = QDate::fromString(text.left(4) + QLatin1String("01"), dateFormat)
                   .addYears(100)
                   .addDays(qMax(0, day - 1));
    }
    const QTime time = QTime::fromString(parts[1], QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    // The recorder's clock knows no time zone: its reading is kept as it
    // is, a zone-less wall-clock time (held as UTC). As a local time, the
    // hour the clocks skip in spring would be no time at all and its
    // recordings would be left out; positions added to a start would jump
    // that hour or repeat the autumn one.
    return QDateTime(date, time, Qt::UTC);
}

int KVVideoItem::probeFile(const QString &path, QDateTime *start)
{
    if (start)
        *start = QDateTime();
    if (!QFileInfo::exists(path))
        return TYPE_NONE;
    int type = TYPE_NONE;
    const QString text = parseName(path, &type);
    if (type == TYPE_NONE)
        return TYPE_NONE;
    const QDateTime when = parseDateTime(text);
    if (!when.isValid())
        return TYPE_NONE;
    if (start)
        *start = when;
    return type;
}

QString KVVideoItem::recordingKey(const QString &path)
{
    return recordingKey(path, nullptr);
}

QString KVVideoItem::recordingKey(const QString &path, bool *isRear)
{
    const QString base = QFileInfo(path).baseName();
    if (isRear)
        *isRear = base.endsWith(QLatin1Char('R'), Qt::CaseInsensitive);
    return base.left(base.size() - 1);
}

QString KVVideoItem::positionText(qint64 ms)
{
    const qint64 s = ms / 1000;
    if (s < 60)
        return QString::asprintf("00:%02d", int(s));
    if (s < 3600)
        return QString::asprintf("%02d:%02d", int(s / 60), int(s % 60));
    return QString::asprintf("%02d:%02d:%02d", int(s / 3600), int(s / 60 % 60), int(s % 60));
}

int KVVideoItem::filterBit(int type)
{
    switch (type) {
    case TYPE_NORM:
        return FILTER_NORM;
    case TYPE_EVEN:
    case 4:
    case 5:
        return FILTER_EVEN;
    case TYPE_MANU:
        return FILTER_MANU;
    case TYPE_PARK:
        return FILTER_PARK;
    default:
        return 0;
    }
}

QString KVVideoItem::typeTextOf(int type)
{
    switch (type) {
    case TYPE_EVEN:
        return QStringLiteral("衝撃検知");
    case TYPE_MANU:
        return QStringLiteral("手動");
    case TYPE_PARK:
        return QStringLiteral("パーキング");
    default:
        return QStringLiteral("常時");
    }
}

// --- item

KVVideoItem::KVVideoItem(const QString &path, bool isRear, const QDateTime &start)
{
    _frontPath = path;
    const QFileInfo info(path);
    if (info.exists() && !info.isDir()) {
        if (start.isValid())
            _start = start;
        readDuration(CAMERA_FRONT);
        if (isRear) {
            _rearPath = _frontPath;
            _frontPath.clear();
        }
    }
}

KVVideoItem::~KVVideoItem() = default;

quint64 KVVideoItem::totalSize()
{
    if (_totalSize == 0) {
        quint64 sum = 0;
        if (!_frontPath.isEmpty())
            sum += quint64(qMax<qint64>(0, QFileInfo(_frontPath).size()));
        if (!_rearPath.isEmpty())
            sum += quint64(qMax<qint64>(0, QFileInfo(_rearPath).size()));
        _totalSize = sum;
    }
    return _totalSize;
}

void KVVideoItem::readDuration(Camera which)
{
    const QString path = which == CAMERA_FRONT ? displayPath() : _rearPath;
    FILE *file = openForReading(path);
    if (!file)
        return;
    if (isMovieExtension(displayPath())) {
        MOVDurationResult result;
        MOVFormat::readDuration(file, &result);
        _duration = result.found ? result.durationMs : 0;
    } else {
        _duration = 0;
    }
    std::fclose(file);
}

bool KVVideoItem::checkRear()
{
    if (_rearPath.isEmpty())
        return false;
    readDuration(CAMERA_REAR);
    return _duration > kMinimumDurationMs;
}

bool KVVideoItem::hasMovieDuration(const QString &path)
{
    if (!isMovieExtension(path))
        return false;
    FILE *file = openForReading(path);
    if (!file)
        return false;
    MOVDurationResult result;
    MOVFormat::readDuration(file, &result);
    std::fclose(file);
    return result.found && result.durationMs > 0;
}

bool KVVideoItem::loadSensorInfo()
{
    if (_sensorData)
        return true;
    const QString path = displayPath();
    const bool movie = isMovieExtension(path);
    FILE *file = openForReading(path);
    if (!file) {
        qInfo() << "KVVideoItem: cannot open" << path << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return false;
    }
    auto data
        = std::make_unique<KVSensorData>(movie ? KVSensorData::readFile(file) : KVSensorData());
    data->fitToDuration(_duration);
    std::fclose(file);
    _sensorData = std::move(data);
    return true;
}

QString KVVideoItem::sizeText()
{
    return QString::asprintf("%dMB", int(totalSize() / 1048576));
}

QString KVVideoItem::startText() const
{
    if (!_start.isValid())
        return QStringLiteral("---------- --:--:--");
    return _start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString KVVideoItem::durationText() const
{
    const quint32 s = _duration / 1000;
    return QString::asprintf("%02u:%02u", s / 60, s % 60);
}

QString KVVideoItem::captureBaseName(qint64 positionMs) const
{
    QString key = recordingKey(displayPath());
    const int underscore = key.indexOf(QLatin1Char('_'));
    if (underscore >= 0)
        key.truncate(underscore);
    const QDateTime t = _start.addMSecs(positionMs);
    const QDate d = t.date();
    const QTime time = t.time();
    return key + QLatin1Char('_')
        + QString::asprintf("%02d%02d%02d-%02d%02d%02d", d.year() - 2000, d.month(), d.day(),
            time.hour(), time.minute(), time.second());
}
