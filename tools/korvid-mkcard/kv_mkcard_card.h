#pragma once
// writeCard: writes a whole demo card into a folder: the planned recordings'
// front and rear files (see kv_mkcard_track.h), each file written under a
// temporary name and renamed when complete. The two cameras of a recording
// are written at the same time on two threads.
//
// Thread: call from one thread; needs a QGuiApplication (fonts).

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

namespace kvmk
{

struct CardOptions {
    QString folder;
    QSize front{1280, 720};
    QSize rear{640, 360};
    int seconds = 20; // per recording
    int recordings = 8; // at least 4
    int fps = 30;
    QDateTime start = QDateTime(QDate(2020, 12, 21), QTime(10, 20, 47));
};

// True when every file was written; otherwise *error says what failed.
// *written receives the file names (without folder) in writing order.
bool writeCard(const CardOptions &options, QStringList *written, QString *error);

} // namespace kvmk
