#pragma once
// Still capture of a player's picture: the frame last presented to the
// player's renderers (filters applied), at full resolution, as a JPEG file.
//
// File name: captureDir / (captureName + the frame's time stamp in ms +
// ".jpg"). The file is written through QSaveFile, so it is either complete
// or absent. Conversion and encoding always run off the GUI thread (also
// with setAsync(false), which is accepted for compatibility); saved(path)
// or error(...) then arrive on the GUI thread.
//
// Thread: every member on the GUI thread; the signals arrive there.

#include "averror.h"
#include "videoframe.h"

#include <QObject>
#include <QString>

namespace kvm
{

class AVPlayer;

class VideoCapture : public QObject
{
    Q_OBJECT
public:
    explicit VideoCapture(AVPlayer *player);
    ~VideoCapture() override;

    void setAsync(bool async) { _async = async; }
    bool isAsync() const { return _async; }
    void setCaptureDir(const QString &dir) { _dir = dir; }
    QString captureDir() const { return _dir; }
    // Only "jpg" / "jpeg" are written.
    void setSaveFormat(const QString &format) { _format = format; }
    QString saveFormat() const { return _format; }
    void setQuality(int quality) { _quality = quality; } // 0..100, default 90
    int quality() const { return _quality; }
    void setCaptureName(const QString &name) { _name = name; }
    QString captureName() const { return _name; }

    // Starts a capture of the presented frame; false (and error()) when
    // there is no frame, the format is not JPEG or the folder is missing
    // and cannot be made.
    bool capture();

    // The work of one capture, usable without a player: converts the frame
    // to RGB and writes it as JPEG through QSaveFile. Empty on success, else
    // what failed. Any thread.
    static QString writeJpeg(const VideoFrame &frame, const QString &path, int quality);
    // The file name a capture of frame gets.
    QString fileNameFor(const VideoFrame &frame) const;

signals:
    void saved(const QString &path);
    // The capture of path failed (before a frame was taken: path is the
    // folder joined with the capture name alone).
    void failed(const QString &path);
    void error(const kvm::AVError &error);

private:
    void fail(const QString &why, const QString &path);

    AVPlayer *_player;
    bool _async = true;
    QString _dir;
    QString _format = QStringLiteral("jpg");
    int _quality = 90;
    QString _name;
};

} // namespace kvm
