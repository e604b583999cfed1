#pragma once
// The renderer without a display ("Null"): records every frame it is handed
// (time stamp, serial, and the frame number read from the strip that
// korvid-mkcard burns into the demo frames) for tests and benchmarks.
//
// Thread: receive() on the presenter thread; the readers below from any
// thread (guarded by the record mutex).

#include "videorenderer.h"

#include <QList>

#include <mutex>

namespace kvm
{

class NullRenderer : public VideoRenderer
{
public:
    struct Record {
        double pts = 0.0; // seconds
        int serial = 0;
        int frameNumber = -1; // from the strip; -1 when unreadable
        int width = 0;
        int height = 0;
        int format = -1; // AVPixelFormat
        qint64 atNs = 0; // kvm::nowNs() when it arrived
    };

    NullRenderer();
    ~NullRenderer() override;

    QString id() const override { return QStringLiteral("Null"); }

    // Reading the strip costs a little; on by default.
    void setReadFrameNumbers(bool on);

    QList<Record> records() const;
    Record lastRecord() const; // frameNumber -1 and pts 0 when none
    int count() const;
    void clear();

protected:
    void onFrame(const VideoFrame &frame) override;

private:
    // --- guarded by _recordMutex
    mutable std::mutex _recordMutex;
    QList<Record> _records;
    bool _readNumbers = true;
};

} // namespace kvm
