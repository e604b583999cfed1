#pragma once
// KVVideoItem: one recording as the viewer sees it, the front file and the
// rear file of one recording interval, with its type, start time, duration,
// total size and, once asked for, its sensor data. Also the file-name grammar
// of the recorder ("NORM201221-102047F.mp4": type word, yyMMdd-HHmmss, camera
// letter) and the texts the list, the player and the capture build from it.
//
// Thread: the catalogue's loader creates and fills items on its pool thread
// (constructor, setType, setFrontPath/setRearPath, checkRear) and moves them
// to the GUI thread before handing them over; after the hand-over every call
// is made on the GUI thread only (texts, loadSensorInfo, check mark). The
// static name functions are pure and may run on any thread.
//
// Lifetime: items built by the catalogue are held by QSharedPointer (see
// KVVideoFileList); sharedFromThis() gives a strong reference that keeps an
// item alive after the catalogue has dropped it.

#include "kv_sensor_data.h"

#include <QDateTime>
#include <QEnableSharedFromThis>
#include <QObject>
#include <QString>

#include <memory>

class KVVideoItem : public QObject, public QEnableSharedFromThis<KVVideoItem>
{
    Q_OBJECT
public:
    // Recording type codes (taken from the type word of the file name).
    enum Type {
        TYPE_NORM = 0, // continuous
        TYPE_EVEN = 1, // impact event
        TYPE_MANU = 2, // manual
        TYPE_PARK = 3, // parking
        TYPE_NONE = 9999, // not a recording
    };
    // Catalogue filter bits.
    enum FilterBit { FILTER_NORM = 1, FILTER_EVEN = 2, FILTER_PARK = 4, FILTER_MANU = 8 };
    enum Camera { CAMERA_FRONT = 0, CAMERA_REAR = 1 };
    // Recordings of this length or shorter are not taken.
    static constexpr quint32 kMinimumDurationMs = 300;

    // --- name level (any thread)

    // Date-time text "yyMMdd-HHmmss" and type code of a path, or an empty
    // text and TYPE_NONE when the upper-cased base name does not follow the
    // grammar.
    static QString parseName(const QString &path, int *type);
    // Start time of a "yyMMdd-HHmmss" text (years 2000..2099). A day past the
    // end of its month runs on into the next month (210230 is 2021-03-02).
    // Invalid for a bad month or time. The recorder's wall-clock reading,
    // zone-less (Qt::UTC), so every name is a valid time.
    static QDateTime parseDateTime(const QString &text);
    // TYPE_NONE unless the file exists, its name parses and its date is valid.
    static int probeFile(const QString &path, QDateTime *start);
    // The base name without its camera letter: NORM201221-102047.
    static QString recordingKey(const QString &path);
    // The same, and whether the base name ends with R (any case).
    static QString recordingKey(const QString &path, bool *isRear);
    // "00:ss", "mm:ss" or "hh:mm:ss" of a position in milliseconds.
    static QString positionText(qint64 ms);
    // Catalogue filter bit of a type code (0 for codes outside the table).
    static int filterBit(int type);
    // List text of a type code, always Japanese.
    static QString typeTextOf(int type);

    // --- item

    // Reads the duration of path at once; a rear file (isRear) ends up as
    // the rear path with an empty front path. A path that is not an existing
    // file gives an item of duration 0.
    KVVideoItem(const QString &path, bool isRear, const QDateTime &start = QDateTime());
    ~KVVideoItem() override;

    int type() const { return _type; }
    void setType(int type) { _type = type; }
    bool isChecked() const { return _checked; }
    void setChecked(bool checked) { _checked = checked; }
    QString frontPath() const { return _frontPath; }
    QString rearPath() const { return _rearPath; }
    void setFrontPath(const QString &path) { _frontPath = path; }
    void setRearPath(const QString &path) { _rearPath = path; }
    // The front file, or the rear file when there is no front file.
    QString displayPath() const { return _frontPath.isEmpty() ? _rearPath : _frontPath; }
    QDateTime start() const { return _start; }
    // Duration of the file read last (the rear file after checkRear).
    quint32 duration() const { return _duration; }
    // Front plus rear file size in bytes; read once, then cached.
    quint64 totalSize();

    // Reads the movie-header duration of the display file (CAMERA_FRONT) or
    // the rear file (CAMERA_REAR); 0 when there is none or the display file
    // is not MP4/MOV. A file that does not open leaves the duration as it was.
    void readDuration(Camera which);
    // Longer than 300 ms.
    bool isValid() const { return _duration > kMinimumDurationMs; }
    // Reads the rear file's duration into the item; false without a rear
    // file or when the rear file is 300 ms or shorter.
    bool checkRear();
    // Whether the MP4/MOV file's movie header gives it a length above 0 (an
    // empty file, or one cut in or before its header, gives none). Any
    // thread.
    static bool hasMovieDuration(const QString &path);

    // Builds the sensor data of the display file once and fits it to the
    // duration; later calls do nothing. False when the file does not open.
    // GUI thread.
    bool loadSensorInfo();
    // The sensor data, or nullptr before loadSensorInfo or when it failed.
    // Owned by the item.
    KVSensorData *sensorData() const { return _sensorData.get(); }

    // Texts for the list.
    QString typeText() const { return typeTextOf(_type); }
    QString nameText() const { return recordingKey(displayPath()); }
    QString sizeText();
    QString startText() const;
    QString durationText() const;
    // Base name of a capture at position ms: NORM201221-102047_201221-102112.
    QString captureBaseName(qint64 positionMs) const;

signals:
    void loadSensorInfoStarted();
    void loadSensorInfoEnd();
    void loadSensorInfoFail();

public slots:
    void onChecked() { }

private:
    int _type = TYPE_NORM;
    bool _checked = false;
    QString _frontPath;
    QString _rearPath;
    QDateTime _start;
    quint64 _totalSize = 0;
    quint32 _duration = 0;
    std::unique_ptr<KVSensorData> _sensorData;
};
