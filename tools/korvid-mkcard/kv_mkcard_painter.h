#pragma once
// FramePainter: the picture of one demo frame, painted straight into a YUV
// 4:2:0 frame: a scene scrolling sideways (front to the left, rear to the
// right), a dark panel with the camera name, the date-time of the frame's
// second, the time into the recording and the frame number in large text,
// and the frame-number strip across the top rows (see media/framestrip.h).
//
// The scene is computed once; a frame costs a few row copies and some text.
// Needs a QGuiApplication (fonts). Thread: one painter per thread.

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

struct AVFrame;

namespace kvmk
{

class FramePainter
{
public:
    // rear: the rear camera's look (label "REAR", scrolling the other way).
    FramePainter(int width, int height, bool rear, const QString &fileLabel);

    // Paints frame n (counted from 0 in its file) of a file that starts at
    // `start` and runs at fps into `frame` (YUV420P, width x height).
    void paint(AVFrame *frame, int n, int fps, const QDateTime &start) const;

private:
    void buildScene();
    void buildPanel();
    QRect panelRect() const;
    int textTop(int line) const; // within the panel
    void paintText(AVFrame *frame, int n, int fps, const QDateTime &start) const;

    int _width;
    int _height;
    bool _rear;
    QString _fileLabel;
    int _period; // luma pixels of one scene repeat
    int _scroll; // pixels the scene moves per frame
    std::vector<uint8_t> _luma; // height rows of width + period
    std::vector<uint8_t> _u; // chroma planes, static
    std::vector<uint8_t> _v;
    QImage _panel; // the panel with the file's fixed text
    QFont _large;
    QFont _medium;
    QFont _small;
};

} // namespace kvmk
