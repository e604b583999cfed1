#pragma once
// KVMp4Builder: writes small MP4 files byte by byte for the reader's tests, the
// catalogue's tests and the fuzz seeds. The boxes are laid out the way the
// recorder and FFmpeg write them (ftyp, mdat, moov; or moov first), with a
// dummy video track whose chunk bytes look like sensor text (commas and
// slashes, no NUL) so that a reader that runs past a text sample notices.
//
// Sensor helpers build the recorder's text samples: 40 entries of 8
// "/"-separated fields, each followed by a comma, two seconds per sample.
//
// Thread: any; plain functions on values.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One entry of a sensor text: f0/f1/f2/f3/f4/f5/f6/f7 =
// stamp / fix / longitude / latitude / speed / z / x / y (accelerations as
// the recorder's hexadecimal bytes).
struct KVSensorEntry {
    QByteArray stamp = "201221102047";
    QByteArray fix = "1";
    double latitude = 35.6585;
    double longitude = 139.7453;
    int speed = 40;
    int x = 0x10; // 1.0 g
    int y = 0x00;
    int z = 0xF0; // (240 - 255) x 0.0625 = -0.9375 g
};

struct KVMp4Options {
    quint32 timeScale = 1000; // movie header time scale
    quint64 duration = 60000; // in timeScale units
    int mvhdVersion = 0; // 1: 64-bit times
    bool moovFirst = false; // moov before mdat (fast start)
    bool largeSizes = false; // every box with size 1 and a 64-bit size
    bool videoTrack = true; // a video track (avc1) besides the text track
    bool textFirst = false; // the text track before the video track
    bool co64 = false; // 64-bit chunk offsets
    int samplesPerChunk = 1; // text samples per chunk
    bool trailingEmpty = true; // a 2-byte empty text sample at the end, as FFmpeg writes
    bool textTrack = true; // false: no text track at all
    QList<QByteArray> texts; // the text samples (without their 2-byte length)
    QByteArray sampleTail; // bytes inside each text sample behind the text (style boxes)
};

class KVMp4Builder
{
public:
    static QByteArray build(const KVMp4Options &options);
    // A movie of the given length (ms at the given time scale) with optional texts.
    static QByteArray movie(
        quint32 durationMs, quint32 timeScale = 1000, const QList<QByteArray> &texts = {});
    static bool writeFile(const QString &path, const QByteArray &bytes);

    // Box pieces, big-endian.
    static QByteArray be16(quint16 value);
    static QByteArray be32(quint32 value);
    static QByteArray be64(quint64 value);
    static QByteArray box(const char *type, const QByteArray &payload, bool large = false);
    static QByteArray fullBox(const char *type, quint8 version, quint32 flags,
        const QByteArray &payload, bool large = false);

    // Offset of the size field of the n-th box of the type (searched as bytes
    // behind a size field), or -1.
    static qsizetype boxOffset(const QByteArray &file, const char *type, int nth = 0);
    // Overwrites four bytes at an offset with a big-endian value.
    static void patch32(QByteArray *file, qsizetype offset, quint32 value);

    // Sensor texts.
    static QByteArray sensorEntry(const KVSensorEntry &entry);
    // 40 entries, each followed by a comma.
    static QByteArray sensorText(const QList<KVSensorEntry> &entries);
    // A drive of `seconds` (even) seconds: one text per two seconds, the
    // position moving north-east, speed rising, accelerations cycling.
    static QList<QByteArray> driveTexts(int seconds, const QByteArray &fix = "1");
    // An SRT file with one cue of two seconds per text.
    static QByteArray srt(const QList<QByteArray> &texts);
    // Muxes a test picture of `seconds` with the SRT as a mov_text track using
    // FFmpeg's command-line program; extra arguments go before the output.
    static bool ffmpegMux(const QString &srtPath, const QString &outPath, int seconds,
        const QStringList &extraArgs = {}, QString *log = nullptr);
};
