#pragma once
// MOVFormat: a small MP4/MOV atom reader for the recorder's files. It does two
// jobs on an already opened file (plain C stream, not owned): the movie
// duration from the movie header, and the sensor subtitle track (sample entry
// "tx3g") parsed into position records and 20 Hz acceleration samples.
//
// Thread: any; one reader object per job, never shared. The duration job runs
// on the catalogue's loader thread, the sensor job on the GUI thread.

#include <QtGlobal>

#include <cstdio>
#include <initializer_list>
#include <vector>

// One position record per second of recording.
struct KVGpsRecord {
    quint16 year = 0;
    quint8 month = 0;
    quint8 day = 0;
    quint8 hour = 0;
    quint8 minute = 0;
    quint8 second = 0;
    double latitude = 0.0; // decimal degrees
    double longitude = 0.0; // decimal degrees
    double speed = 0.0; // the recorder's whole number (km/h)
    quint8 fix = 0; // 1 when the recorder marked the position valid
};

// One acceleration sample, in g; twenty per second.
struct KVGSensorSample {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The caller-owned result of the duration job.
struct MOVDurationResult {
    quint8 found = 0; // 1 when a movie header was read
    quint32 durationMs = 0; // 0 when the header has no usable time scale
};

class MOVFormat
{
public:
    enum Mode { MODE_SENSOR = 0, MODE_DURATION = 1 };

    // Runs the job at once: MODE_DURATION fills *duration (does nothing
    // without it), MODE_SENSOR reads the sensor track; other modes do nothing.
    MOVFormat(FILE *file, int mode, MOVDurationResult *duration = nullptr);
    ~MOVFormat();
    MOVFormat(const MOVFormat &) = delete;
    MOVFormat &operator=(const MOVFormat &) = delete;

    // One-shot duration job; true when the movie header was found.
    static bool readDuration(FILE *file, MOVDurationResult *duration);

    // Whether the job found what it looked for (movie header, text track).
    bool succeeded() const { return _succeeded; }

    // Raw results of the sensor job, in file order.
    const std::vector<KVGpsRecord> &positions() const { return _positions; }
    const std::vector<KVGSensorSample> &samples() const { return _samples; }
    std::vector<KVGpsRecord> takePositions() { return std::move(_positions); }
    std::vector<KVGSensorSample> takeSamples() { return std::move(_samples); }

    // Parses one text sample of the sensor format (41 comma parts of 8
    // "/"-separated fields) into the raw arrays. Public for tests.
    void processSubtitle(const char *text, size_t length);

    // Bounds of the reader, public for tests and the fuzz target.
    static constexpr int kMaxPath = 10; // atom path entries, and so the nesting depth
    static constexpr int kSensorParts = 41;
    // At most this many text samples (and chunk and run entries) are read:
    // the recorder writes one text per 2 s, so this is 55 hours, while a
    // damaged or hostile table could otherwise ask for millions of reads
    // and hundreds of megabytes on the thread that opens the recording.
    static constexpr quint64 kMaxTexts = 100000;
    // Texts of the wrong shape are logged one by one up to this many; the
    // rest are counted in one line at the end of the track.
    static constexpr int kMaxLoggedDrops = 10;
    // A track whose first this many texts all have the wrong shape is not a
    // sensor track (its tables point into other data): it is read no
    // further, rather than decoding up to kMaxTexts samples of noise.
    static constexpr int kMaxDropsBeforeFirstText = 256;

private:
    // One atom found by the walk: where it starts, its whole size (clamped
    // to its parent and the file) and the length of its header (8 or 16).
    struct Atom {
        qint64 offset = 0;
        qint64 size = 0;
        int header = 0;
        quint32 type = 0;
    };

    bool readDurationJob(MOVDurationResult *duration);
    bool readSubtitleTrack();

    // The atom search: a path of four-character types, one per level, and an
    // optional sample-entry format that the last atom (an stsd) must carry.
    void setAtomPath(std::initializer_list<const char *> names, const char *format = "");
    void findAtom(qint64 start, qint64 length, int level);
    bool matchSampleEntry(quint32 type, const Atom &atom);
    // Searches the direct child `name` of `parent`; false when there is none.
    bool findChild(const Atom &parent, const char *name, Atom *child);

    // Reads up to `length` bytes at `offset`; returns how many were read.
    qint64 readAt(qint64 offset, void *buffer, qint64 length);
    // Reads a table of `count` big-endian entries of 4 or 8 bytes.
    bool readTable(qint64 offset, quint32 count, int entryBytes, std::vector<quint64> *table);
    // Reads one text sample (2-byte length, then the text) and parses it.
    void readTextSample(qint64 offset, qint64 size, qint64 *budget);

    FILE *_file = nullptr;
    bool _succeeded = false;
    qint64 _fileSize = 0;

    // --- search state
    bool _found = false;
    int _depth = 0;
    quint32 _path[kMaxPath] = {};
    Atom _levels[kMaxPath];
    char _format[11] = {};
    std::vector<char> _text; // text sample buffer, reused
    quint64 _droppedTexts = 0;
    quint64 _keptTexts = 0;
    std::vector<KVGpsRecord> _positions;
    std::vector<KVGSensorSample> _samples;
};
