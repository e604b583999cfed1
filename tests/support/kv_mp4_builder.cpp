#include "kv_mp4_builder.h"

#include "kv_test_util.h"

#include <QProcess>
#include <QtEndian>

#include <algorithm>

namespace
{

// Where the builder puts the pieces of one track into mdat.
struct TrackLayout {
    QList<quint64> chunkOffsets;
    QList<quint32> sampleSizes; // one per sample
    QList<int> chunkSamples; // samples of each chunk
};

// Bytes that stand in for video: commas and slashes like sensor text, never a
// NUL, so a reader that overruns a text sample picks up bogus parts.
QByteArray videoBytes(int index)
{
    QByteArray bytes;
    while (bytes.size() < 300)
        bytes += "7/7/7/7/7/" + QByteArray::number(index) + "/7/7,";
    return bytes.left(300);
}

QByteArray zeros(int count)
{
    return QByteArray(count, '\0');
}

// The identity matrix of movie and track headers.
QByteArray matrix()
{
    return KVMp4Builder::be32(0x00010000) + KVMp4Builder::be32(0) + KVMp4Builder::be32(0)
        + KVMp4Builder::be32(0) + KVMp4Builder::be32(0x00010000) + KVMp4Builder::be32(0)
        + KVMp4Builder::be32(0) + KVMp4Builder::be32(0) + KVMp4Builder::be32(0x40000000);
}

class Writer
{
public:
    explicit Writer(const KVMp4Options &options) : _o(options) { }

    QByteArray box(const char *type, const QByteArray &payload) const
    {
        return KVMp4Builder::box(type, payload, _o.largeSizes);
    }
    QByteArray fullBox(const char *type, quint8 version, const QByteArray &payload) const
    {
        return KVMp4Builder::fullBox(type, version, 0, payload, _o.largeSizes);
    }

    QByteArray mvhd() const
    {
        QByteArray p;
        if (_o.mvhdVersion == 1) {
            p += KVMp4Builder::be64(0) + KVMp4Builder::be64(0); // creation, modification
            p += KVMp4Builder::be32(_o.timeScale) + KVMp4Builder::be64(_o.duration);
        } else {
            p += KVMp4Builder::be32(0) + KVMp4Builder::be32(0);
            p += KVMp4Builder::be32(_o.timeScale) + KVMp4Builder::be32(quint32(_o.duration));
        }
        p += KVMp4Builder::be32(0x00010000) + KVMp4Builder::be16(0x0100)
            + zeros(10); // rate, volume
        p += matrix() + zeros(24) + KVMp4Builder::be32(3); // pre-defined, next track id
        return fullBox("mvhd", quint8(_o.mvhdVersion), p);
    }

    QByteArray trak(int id, bool text, const TrackLayout &layout) const
    {
        // tkhd: version 0, flags "enabled"
        QByteArray tkhd = KVMp4Builder::be32(0) + KVMp4Builder::be32(0) + KVMp4Builder::be32(id)
            + zeros(4) + KVMp4Builder::be32(quint32(movieMs())) + zeros(8) + KVMp4Builder::be16(0)
            + KVMp4Builder::be16(0) + KVMp4Builder::be16(0) + zeros(2) + matrix()
            + KVMp4Builder::be32(text ? 0 : 160u << 16) + KVMp4Builder::be32(text ? 0 : 120u << 16);
        // mdhd: time scale 1000 (text) or 10 (video), language "und"
        const quint32 scale = text ? 1000 : 10;
        QByteArray mdhd = KVMp4Builder::be32(0) + KVMp4Builder::be32(0) + KVMp4Builder::be32(scale)
            + KVMp4Builder::be32(quint32(movieMs() * scale / 1000)) + KVMp4Builder::be16(0x55C4)
            + KVMp4Builder::be16(0);
        QByteArray hdlr = KVMp4Builder::be32(0) + QByteArray(text ? "sbtl" : "vide") + zeros(12)
            + QByteArray(text ? "SubtitleHandler" : "VideoHandler") + zeros(1);
        QByteArray header = text ? fullBox("nmhd", 0, QByteArray())
                                 : fullBox("vmhd", 0, KVMp4Builder::be16(0) + zeros(6));
        // data reference: one "url " entry with flag 1 (media in this file)
        QByteArray dinf = box("dinf",
            fullBox("dref", 0, KVMp4Builder::be32(1) + KVMp4Builder::fullBox("url ", 0, 1, {})));
        QByteArray minf = header + dinf + stbl(text, layout);
        return box("trak",
            KVMp4Builder::fullBox("tkhd", 0, 3, tkhd, _o.largeSizes) // enabled, in movie
                + box("mdia",
                    fullBox("mdhd", 0, mdhd) + fullBox("hdlr", 0, hdlr) + box("minf", minf)));
    }

    QByteArray stbl(bool text, const TrackLayout &layout) const
    {
        QByteArray entry;
        if (text) {
            // tx3g: reserved 6, data reference 1, display flags, justification,
            // background colour, default text box, default style
            entry = zeros(6) + KVMp4Builder::be16(1) + KVMp4Builder::be32(0) + QByteArray(1, 1)
                + QByteArray(1, char(0xFF)) + KVMp4Builder::be32(0) + zeros(8)
                + KVMp4Builder::be16(0) + KVMp4Builder::be16(0) + KVMp4Builder::be16(1) + zeros(1)
                + QByteArray(1, 18) + KVMp4Builder::be32(0xFFFFFFFF);
            entry = KVMp4Builder::box("tx3g", entry); // table entries keep 32-bit sizes
        } else {
            // avc1: reserved 6, data reference 1, visual sample entry fields
            entry = zeros(6) + KVMp4Builder::be16(1) + zeros(16) + KVMp4Builder::be16(160)
                + KVMp4Builder::be16(120) + KVMp4Builder::be32(0x00480000)
                + KVMp4Builder::be32(0x00480000) + zeros(4) + KVMp4Builder::be16(1) + zeros(32)
                + KVMp4Builder::be16(0x18) + KVMp4Builder::be16(0xFFFF);
            entry = KVMp4Builder::box("avc1", entry);
        }
        QByteArray stsd = fullBox("stsd", 0, KVMp4Builder::be32(1) + entry);

        const int count = int(layout.sampleSizes.size());
        const quint32 delta = text ? 2000 : 1;
        QByteArray stts = fullBox("stts", 0,
            KVMp4Builder::be32(1) + KVMp4Builder::be32(quint32(count)) + KVMp4Builder::be32(delta));

        // stsc: one run per change of the samples-per-chunk value
        QByteArray runs;
        int runCount = 0;
        for (int c = 0; c < layout.chunkSamples.size(); ++c) {
            if (c > 0 && layout.chunkSamples[c] == layout.chunkSamples[c - 1])
                continue;
            runs += KVMp4Builder::be32(quint32(c + 1)) + KVMp4Builder::be32(layout.chunkSamples[c])
                + KVMp4Builder::be32(1);
            ++runCount;
        }
        QByteArray stsc = fullBox("stsc", 0, KVMp4Builder::be32(quint32(runCount)) + runs);

        QByteArray sizes;
        for (quint32 s : layout.sampleSizes)
            sizes += KVMp4Builder::be32(s);
        QByteArray stsz = text
            ? fullBox("stsz", 0, KVMp4Builder::be32(0) + KVMp4Builder::be32(quint32(count)) + sizes)
            : fullBox("stsz", 0, KVMp4Builder::be32(300) + KVMp4Builder::be32(quint32(count)));

        QByteArray offsets = KVMp4Builder::be32(quint32(layout.chunkOffsets.size()));
        for (quint64 o : layout.chunkOffsets)
            offsets += _o.co64 ? KVMp4Builder::be64(o) : KVMp4Builder::be32(quint32(o));
        QByteArray stco = fullBox(_o.co64 ? "co64" : "stco", 0, offsets);

        return box("stbl", stsd + stts + stsc + stsz + stco);
    }

    quint64 movieMs() const { return _o.timeScale ? _o.duration * 1000 / _o.timeScale : 0; }

    // mdat payload laid out from `start` (the offset of its first byte):
    // video chunk, text chunk, video chunk, ... video chunk.
    QByteArray mdat(quint64 start, TrackLayout *video, TrackLayout *text) const
    {
        QList<QByteArray> samples;
        for (const QByteArray &t : _o.texts)
            samples += KVMp4Builder::be16(quint16(t.size())) + t + _o.sampleTail;
        if (_o.trailingEmpty)
            samples += KVMp4Builder::be16(0);
        if (!_o.textTrack)
            samples.clear();
        const int perChunk = std::max(1, _o.samplesPerChunk);
        QByteArray data;
        int videoIndex = 0;
        auto addVideo = [&]() {
            if (!_o.videoTrack)
                return;
            video->chunkOffsets += start + quint64(data.size());
            video->sampleSizes += 300;
            video->chunkSamples += 1;
            data += videoBytes(videoIndex++);
        };
        addVideo();
        for (int i = 0; i < samples.size(); i += perChunk) {
            text->chunkOffsets += start + quint64(data.size());
            const int n = std::min(perChunk, int(samples.size()) - i);
            text->chunkSamples += n;
            for (int j = 0; j < n; ++j) {
                text->sampleSizes += quint32(samples[i + j].size());
                data += samples[i + j];
            }
            addVideo();
        }
        return data;
    }

    QByteArray moov(const TrackLayout &video, const TrackLayout &text) const
    {
        QByteArray tracks;
        QByteArray v = _o.videoTrack ? trak(1, false, video) : QByteArray();
        QByteArray t = _o.textTrack ? trak(2, true, text) : QByteArray();
        tracks = _o.textFirst ? t + v : v + t;
        return box("moov", mvhd() + tracks);
    }

    QByteArray file() const
    {
        const QByteArray ftyp
            = box("ftyp", QByteArray("isom") + KVMp4Builder::be32(0x200) + "isomiso2avc1mp41");
        const int mdatHeader = _o.largeSizes ? 16 : 8;
        TrackLayout video, text;
        if (!_o.moovFirst) {
            const QByteArray payload = mdat(quint64(ftyp.size() + mdatHeader), &video, &text);
            return ftyp + box("mdat", payload) + moov(video, text);
        }
        // The moov's size does not depend on the offsets' values: lay out
        // once to measure it, then again at the final place.
        TrackLayout v0, t0;
        mdat(0, &v0, &t0);
        const int moovSize = int(moov(v0, t0).size());
        const QByteArray payload
            = mdat(quint64(ftyp.size() + moovSize + mdatHeader), &video, &text);
        return ftyp + moov(video, text) + box("mdat", payload);
    }

private:
    const KVMp4Options &_o;
};

} // namespace

QByteArray KVMp4Builder::be16(quint16 value)
{
    QByteArray b(2, '\0');
    qToBigEndian(value, b.data());
    return b;
}

QByteArray KVMp4Builder::be32(quint32 value)
{
    QByteArray b(4, '\0');
    qToBigEndian(value, b.data());
    return b;
}

QByteArray KVMp4Builder::be64(quint64 value)
{
    QByteArray b(8, '\0');
    qToBigEndian(value, b.data());
    return b;
}

QByteArray KVMp4Builder::box(const char *type, const QByteArray &payload, bool large)
{
    if (large) // size 1, type, 64-bit size
        return be32(1) + QByteArray(type, 4) + be64(quint64(payload.size()) + 16) + payload;
    return be32(quint32(payload.size() + 8)) + QByteArray(type, 4) + payload;
}

QByteArray KVMp4Builder::fullBox(
    const char *type, quint8 version, quint32 flags, const QByteArray &payload, bool large)
{
    return box(type, be32((quint32(version) << 24) | (flags & 0xFFFFFF)) + payload, large);
}

QByteArray KVMp4Builder::build(const KVMp4Options &options)
{
    return Writer(options).file();
}

QByteArray KVMp4Builder::movie(
    quint32 durationMs, quint32 timeScale, const QList<QByteArray> &texts)
{
    KVMp4Options o;
    o.timeScale = timeScale;
    o.duration = quint64(durationMs) * timeScale / 1000;
    o.texts = texts;
    o.textTrack = !texts.isEmpty();
    return build(o);
}

bool KVMp4Builder::writeFile(const QString &path, const QByteArray &bytes)
{
    return KVTest::writeFile(path, bytes);
}

qsizetype KVMp4Builder::boxOffset(const QByteArray &file, const char *type, int nth)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = file.indexOf(QByteArray(type, 4), from);
        if (at < 0)
            return -1;
        if (at >= 4 && nth-- == 0)
            return at - 4;
        from = at + 1;
    }
}

void KVMp4Builder::patch32(QByteArray *file, qsizetype offset, quint32 value)
{
    qToBigEndian(value, file->data() + offset);
}

QByteArray KVMp4Builder::sensorEntry(const KVSensorEntry &e)
{
    auto hex = [](int v) { return QByteArray::number(v & 0xFF, 16).toUpper(); };
    return e.stamp + '/' + e.fix + '/' + QByteArray::number(e.longitude, 'f', 6) + '/'
        + QByteArray::number(e.latitude, 'f', 6) + '/' + QByteArray::number(e.speed) + '/'
        + hex(e.z) + '/' + hex(e.x) + '/' + hex(e.y);
}

QByteArray KVMp4Builder::sensorText(const QList<KVSensorEntry> &entries)
{
    QByteArray text;
    for (const KVSensorEntry &e : entries)
        text += sensorEntry(e) + ',';
    return text;
}

QList<QByteArray> KVMp4Builder::driveTexts(int seconds, const QByteArray &fix)
{
    QList<QByteArray> texts;
    for (int t = 0; t < seconds; t += 2) {
        QList<KVSensorEntry> entries;
        for (int k = 0; k < 40; ++k) {
            KVSensorEntry e;
            e.fix = fix;
            const int second = t + k / 20;
            e.latitude = 35.6585 + 0.0001 * second;
            e.longitude = 139.7453 + 0.0002 * second;
            e.speed = std::min(80, second * 2);
            e.x = (t * 20 + k) % 32; // 0 .. 1.9375 g
            e.y = 0xF0 + (k % 16); // -0.9375 .. 0 g
            e.z = 0x08; // 0.5 g
            entries += e;
        }
        texts += sensorText(entries);
    }
    return texts;
}

QByteArray KVMp4Builder::srt(const QList<QByteArray> &texts)
{
    auto stamp = [](int s) {
        return QString::asprintf("%02d:%02d:%02d,000", s / 3600, s / 60 % 60, s % 60).toLatin1();
    };
    QByteArray out;
    for (int i = 0; i < texts.size(); ++i)
        out += QByteArray::number(i + 1) + '\n' + stamp(2 * i) + " --> " + stamp(2 * i + 2) + '\n'
            + texts[i] + "\n\n";
    return out;
}

bool KVMp4Builder::ffmpegMux(const QString &srtPath, const QString &outPath, int seconds,
    const QStringList &extraArgs, QString *log)
{
    QStringList args{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
        QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
        QStringLiteral("testsrc=size=160x120:rate=10:duration=%1").arg(seconds),
        QStringLiteral("-i"), srtPath, QStringLiteral("-map"), QStringLiteral("0:v"),
        QStringLiteral("-map"), QStringLiteral("1:s"), QStringLiteral("-c:v"),
        QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
        QStringLiteral("-bf"), QStringLiteral("0"), QStringLiteral("-g"), QStringLiteral("10"),
        QStringLiteral("-c:s"), QStringLiteral("mov_text")};
    args += extraArgs;
    args += outPath;
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    const bool ok = ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit
        && ffmpeg.exitCode() == 0;
    if (log)
        *log = QString::fromLocal8Bit(ffmpeg.readAll());
    return ok;
}
