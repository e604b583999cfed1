#include "kv_format_mov.h"

#include <QDebug>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <limits>

namespace
{

// Four-character codes as the file stores them (big-endian).
constexpr quint32 fourcc(const char *name)
{
    return (quint32(quint8(name[0])) << 24) | (quint32(quint8(name[1])) << 16)
        | (quint32(quint8(name[2])) << 8) | quint32(quint8(name[3]));
}

constexpr quint32 kStsd = fourcc("stsd");

quint16 be16(const unsigned char *p)
{
    return quint16((p[0] << 8) | p[1]);
}

quint32 be32(const unsigned char *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint64 be64(const unsigned char *p)
{
    return (quint64(be32(p)) << 32) | be32(p + 4);
}

// The type as four printable characters for the log.
QByteArray typeText(quint32 type)
{
    QByteArray text(4, '.');
    for (int i = 0; i < 4; ++i) {
        const char c = char((type >> (24 - 8 * i)) & 0xFF);
        if (c >= 0x20 && c < 0x7F)
            text[i] = c;
    }
    return text;
}

// An acceleration field: a hexadecimal integer (invalid text gives 0); values
// above 31 are negative in the recorder's encoding (it subtracts 255, not 256).
float acceleration(const QString &field)
{
    bool ok = false;
    const int raw = field.toInt(&ok, 16);
    double value = ok ? raw : 0;
    if (value > 31)
        value -= 255;
    return float(value * 0.0625);
}

} // namespace

MOVFormat::MOVFormat(FILE *file, int mode, MOVDurationResult *duration) : _file(file)
{
    if (duration) {
        duration->found = 0;
        duration->durationMs = 0;
    }
    if (!_file || (mode != MODE_SENSOR && mode != MODE_DURATION))
        return;
    if (fseeko(_file, 0, SEEK_END) != 0)
        return;
    _fileSize = ftello(_file);
    if (_fileSize <= 0)
        return;
    if (mode == MODE_DURATION)
        _succeeded = readDurationJob(duration);
    else
        _succeeded = readSubtitleTrack();
}

MOVFormat::~MOVFormat() = default;

bool MOVFormat::readDuration(FILE *file, MOVDurationResult *duration)
{
    if (!duration)
        return false;
    MOVFormat reader(file, MODE_DURATION, duration);
    return reader.succeeded();
}

qint64 MOVFormat::readAt(qint64 offset, void *buffer, qint64 length)
{
    if (offset < 0 || length <= 0 || offset >= _fileSize)
        return 0;
    length = std::min(length, _fileSize - offset);
    if (fseeko(_file, offset, SEEK_SET) != 0)
        return 0;
    return qint64(fread(buffer, 1, size_t(length), _file));
}

void MOVFormat::setAtomPath(std::initializer_list<const char *> names, const char *format)
{
    _found = false;
    _depth = 0;
    std::fill(std::begin(_path), std::end(_path), 0u);
    std::fill(std::begin(_levels), std::end(_levels), Atom());
    std::memset(_format, 0, sizeof(_format));
    for (const char *name : names) {
        if (_depth == kMaxPath)
            break;
        _path[_depth++] = fourcc(name);
    }
    std::strncpy(_format, format, sizeof(_format) - 1);
}

void MOVFormat::findAtom(qint64 start, qint64 length, int level)
{
    // The walk descends only into atoms that match the path, so its depth is
    // bounded by the path (at most kMaxPath levels).
    if (_found || level >= _depth || level >= kMaxPath)
        return;
    const qint64 end = std::min(_fileSize, start + std::min(length, _fileSize));
    qint64 position = start;
    while (position < end) {
        if (_found)
            return;
        if (end - position < 8)
            return; // not even an atom header left
        unsigned char head[16] = {};
        if (readAt(position, head, 8) < 8)
            return;
        quint64 size = be32(head);
        const quint32 type = be32(head + 4);
        int header = 8;
        bool lastOfLevel = false;
        if (size == 1) {
            // 64-bit size behind the type
            if (end - position < 16 || readAt(position + 8, head + 8, 8) < 8)
                return;
            size = be64(head + 8);
            header = 16;
        } else if (size == 0) {
            // The atom runs to the end of its parent (of the file at the top).
            qInfo() << "ZERO ATOM:" << typeText(type).constData() << "[" << Q_FUNC_INFO << __LINE__
                    << "]";
            size = quint64(end - position);
            lastOfLevel = true;
        }
        if (size < quint64(header)) {
            qInfo() << "atom" << typeText(type).constData() << "size" << size
                    << "is smaller than its header; scan of the level ends"
                    << "[" << Q_FUNC_INFO << __LINE__ << "]";
            return;
        }
        // A truncated atom (interrupted recording, damaged card) is cut to
        // what its parent and the file hold.
        const Atom atom{position, qint64(std::min(size, quint64(end - position))), header, type};
        if (type == _path[level]) {
            _levels[level] = atom;
            if (level == _depth - 1) {
                if (matchSampleEntry(type, atom)) {
                    _found = true;
                    return;
                }
            } else {
                // stsd carries version/flags and an entry count before its entries.
                const qint64 skip = header + (type == kStsd ? 8 : 0);
                if (skip < atom.size)
                    findAtom(position + skip, atom.size - skip, level + 1);
            }
        }
        if (lastOfLevel)
            return;
        position += atom.size;
    }
}

bool MOVFormat::matchSampleEntry(quint32 type, const Atom &atom)
{
    if (_format[0] == 0)
        return true;
    if (type != kStsd)
        return false;
    // header, version/flags 4, entry count 4, size of the first entry 4: its format
    const qint64 at = atom.offset + atom.header + 12;
    const qint64 available = atom.offset + atom.size - at;
    if (available <= 0)
        return false;
    char entry[11] = {};
    readAt(at, entry, std::min<qint64>(available, 10));
    return std::strncmp(entry, _format, std::strlen(_format)) == 0;
}

bool MOVFormat::findChild(const Atom &parent, const char *name, Atom *child)
{
    // The parent is level 0 of a two-level path searched over its own range.
    setAtomPath({name, name});
    _path[0] = parent.type;
    findAtom(parent.offset, parent.size, 0);
    if (!_found)
        return false;
    *child = _levels[1];
    return true;
}

bool MOVFormat::readTable(qint64 offset, quint32 count, int entryBytes, std::vector<quint64> *table)
{
    // The callers have already clamped the count to what the atom holds.
    table->clear();
    if (count == 0)
        return true;
    std::vector<unsigned char> raw(size_t(count) * size_t(entryBytes));
    if (readAt(offset, raw.data(), qint64(raw.size())) < qint64(raw.size()))
        return false;
    table->resize(count);
    for (quint32 i = 0; i < count; ++i) {
        const unsigned char *p = raw.data() + size_t(i) * size_t(entryBytes);
        (*table)[i] = entryBytes == 8 ? be64(p) : be32(p);
    }
    return true;
}

bool MOVFormat::readDurationJob(MOVDurationResult *duration)
{
    if (!duration)
        return false;
    setAtomPath({"moov", "mvhd"});
    findAtom(0, _fileSize, 0);
    if (!_found)
        return false;
    const Atom mvhd = _levels[1];
    // version 0: version/flags, creation, modification, time scale, duration (32-bit)
    // version 1: version/flags, creation and modification (64-bit), time scale,
    //            duration (64-bit)
    unsigned char body[32] = {};
    readAt(mvhd.offset + mvhd.header, body, std::min<qint64>(mvhd.size - mvhd.header, 32));
    quint32 timeScale = 0;
    quint64 units = 0;
    bool unknown = false;
    if (body[0] == 1) {
        timeScale = be32(body + 20);
        units = be64(body + 24);
        unknown = units == std::numeric_limits<quint64>::max();
    } else {
        timeScale = be32(body + 12);
        units = be32(body + 16);
        unknown = units == std::numeric_limits<quint32>::max();
    }
    duration->found = 1;
    duration->durationMs = 0;
    if (timeScale == 0 || unknown) {
        qInfo() << "movie header without a usable duration: time scale" << timeScale << "duration"
                << units << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return true;
    }
    const double ms = double(units) * 1000.0 / double(timeScale);
    if (ms >= double(std::numeric_limits<quint32>::max())) {
        qInfo() << "movie header duration out of range:" << units << "/" << timeScale << "["
                << Q_FUNC_INFO << __LINE__ << "]";
        return true;
    }
    duration->durationMs = quint32(ms);
    return true;
}

bool MOVFormat::readSubtitleTrack()
{
    _positions.clear();
    _samples.clear();
    setAtomPath({"moov", "trak", "mdia", "minf", "stbl", "stsd"}, "tx3g");
    findAtom(0, _fileSize, 0);
    if (!_found)
        return false;
    const Atom stbl = _levels[4];
    if (stbl.offset == 0 || stbl.size == 0)
        return false;

    // Sample sizes: a uniform size, or a table of one 32-bit size per sample.
    Atom stsz;
    if (!findChild(stbl, "stsz", &stsz))
        return true;
    unsigned char head[8] = {};
    const qint64 stszBody = stsz.size - stsz.header - 4;
    if (stszBody < 8 || readAt(stsz.offset + stsz.header + 4, head, 8) < 8)
        return true;
    const quint32 uniformSize = be32(head);
    quint64 sampleCount = be32(head + 4);
    if (sampleCount > kMaxTexts) {
        qInfo() << "text samples" << sampleCount << "cut to" << kMaxTexts << "[" << Q_FUNC_INFO
                << __LINE__ << "]";
        sampleCount = kMaxTexts;
    }
    std::vector<quint64> sizes;
    if (uniformSize == 0) {
        const quint64 room = quint64(stszBody - 8) / 4;
        if (sampleCount > room) {
            qInfo() << "stsz count" << sampleCount << "cut to" << room << "[" << Q_FUNC_INFO
                    << __LINE__ << "]";
            sampleCount = room;
        }
        if (!readTable(stsz.offset + stsz.header + 12, quint32(sampleCount), 4, &sizes))
            return true;
    } else {
        // Every sample occupies its size in the file.
        sampleCount = std::min<quint64>(sampleCount, quint64(_fileSize) / uniformSize);
    }
    if (sampleCount == 0)
        return true;

    // Chunk offsets: 32-bit (stco) or 64-bit (co64).
    Atom chunkAtom;
    int offsetBytes = 4;
    if (!findChild(stbl, "stco", &chunkAtom)) {
        if (!findChild(stbl, "co64", &chunkAtom))
            return true;
        offsetBytes = 8;
    }
    const qint64 chunkBody = chunkAtom.size - chunkAtom.header - 4;
    if (chunkBody < 4 || readAt(chunkAtom.offset + chunkAtom.header + 4, head, 4) < 4)
        return true;
    const quint64 chunkCount
        = std::min<quint64>({be32(head), quint64(chunkBody - 4) / quint64(offsetBytes), kMaxTexts});
    std::vector<quint64> chunks;
    if (!readTable(
            chunkAtom.offset + chunkAtom.header + 8, quint32(chunkCount), offsetBytes, &chunks))
        return true;

    // Samples per chunk: runs of (first chunk, samples per chunk, entry index).
    // Without a table every chunk holds one sample.
    std::vector<quint64> runs;
    Atom stsc;
    if (findChild(stbl, "stsc", &stsc)) {
        const qint64 body = stsc.size - stsc.header - 4;
        if (body >= 4 && readAt(stsc.offset + stsc.header + 4, head, 4) == 4) {
            const quint64 count
                = std::min<quint64>({be32(head), quint64(body - 4) / 12, kMaxTexts});
            readTable(stsc.offset + stsc.header + 8, quint32(count * 3), 4, &runs);
        }
    }
    const size_t runCount = runs.size() / 3;

    qint64 budget = _fileSize; // text bytes parsed never exceed the file
    quint64 sample = 0;
    size_t run = 0;
    for (quint64 chunk = 0; chunk < chunks.size() && sample < sampleCount && budget > 0; ++chunk) {
        while (run + 1 < runCount && runs[(run + 1) * 3] <= chunk + 1)
            ++run;
        const quint64 perChunk = runCount ? runs[run * 3 + 1] : 1;
        const quint64 inChunk = std::min(perChunk, sampleCount - sample);
        quint64 offset = chunks[chunk];
        for (quint64 j = 0; j < inChunk && budget > 0; ++j) {
            if (offset >= quint64(_fileSize))
                break;
            const quint64 size = uniformSize ? uniformSize : sizes[sample + j];
            readTextSample(
                qint64(offset), qint64(std::min<quint64>(size, quint64(_fileSize))), &budget);
            offset += size;
        }
        sample += inChunk;
    }
    if (_droppedTexts > quint64(kMaxLoggedDrops))
        qInfo() << "text samples of the wrong shape:" << _droppedTexts << "[" << Q_FUNC_INFO
                << __LINE__ << "]";
    return true;
}

void MOVFormat::readTextSample(qint64 offset, qint64 size, qint64 *budget)
{
    // A text sample is a 2-byte length and the text; whatever follows inside
    // the sample (style boxes) or after it (other tracks) is not text. Empty
    // samples (length 0, written by muxers for gaps and at the end) are skipped.
    if (size <= 2 || offset >= _fileSize)
        return;
    const qint64 available = std::min(size, _fileSize - offset);
    unsigned char prefix[2] = {};
    if (readAt(offset, prefix, 2) < 2)
        return;
    const qint64 length = std::min<qint64>(be16(prefix), available - 2);
    if (length <= 0)
        return;
    if (length > *budget) {
        *budget = 0;
        return;
    }
    *budget -= length;
    _text.assign(size_t(length), '\0');
    const qint64 got = readAt(offset + 2, _text.data(), length);
    processSubtitle(_text.data(), strnlen(_text.data(), size_t(got)));
    if (_keptTexts == 0 && _droppedTexts >= quint64(kMaxDropsBeforeFirstText)) {
        qInfo() << "no sensor text among the first" << _droppedTexts
                << "samples: the track is not read further"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
        *budget = 0;
    }
}

void MOVFormat::processSubtitle(const char *text, size_t length)
{
    // The shape is counted on the bytes (a comma is one byte in UTF-8), so
    // noise is dropped without being decoded and split.
    const qsizetype shape = qsizetype(std::count(text, text + length, ',')) + 1;
    if (shape != kSensorParts) {
        if (++_droppedTexts > quint64(kMaxLoggedDrops))
            return;
        qInfo() << "!!!!!!!!!!!!!!!:" << shape << "!=" << kSensorParts << "[" << __FILE__
                << "MOVFormat::process_subtitle" << __LINE__ << "]";
        return;
    }
    ++_keptTexts;
    const QString sample = QString::fromUtf8(text, qsizetype(length));
    const QStringList parts = sample.split(QLatin1Char(','), Qt::KeepEmptyParts);
    // Entries that do not parse contribute nothing; the others are appended in
    // order, so a malformed entry never leaves a hole or overlaps the next text.
    for (int k = 0; k < kSensorParts; ++k) {
        const QStringList f = parts.at(k).split(QLatin1Char('/'), Qt::KeepEmptyParts);
        if (f.size() != 8)
            continue;
        if (k == 0 || k == 20) {
            KVGpsRecord record;
            // In double precision: a float would change the sixth decimal the
            // recorder wrote (139.745327 read as 139.745331, about a metre).
            record.latitude = f.at(3).toDouble();
            record.longitude = f.at(2).toDouble();
            record.fix = f.at(1) == QLatin1String("1") ? 1 : 0;
            record.speed = double(f.at(4).toInt());
            _positions.push_back(record);
        }
        KVGSensorSample accel;
        accel.x = acceleration(f.at(6));
        accel.y = acceleration(f.at(7));
        accel.z = acceleration(f.at(5));
        _samples.push_back(accel);
    }
}
