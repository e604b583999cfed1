// korvid-probe: what the viewer reads from recording files, as JSON lines.
//
//   korvid-probe FILE...           one object per file and line
//   korvid-probe --catalogue DIR   the catalogue of DIR, as the viewer builds it
//
// Exit status: 0 done, 1 a file or folder could not be opened (the others are
// still printed), 2 usage error.

#include "data/kv_video_file_list.h"
#include "data/kv_video_item.h"
#include "kv_probe_json.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const char *const kUsage
    = "usage: korvid-probe FILE...\n"
      "       korvid-probe --catalogue DIR\n"
      "Prints, per FILE, one JSON line with the type and start from its name, the\n"
      "duration of its movie header and its sensor data fitted to that duration,\n"
      "as the viewer reads a recording whose display file it is (files whose\n"
      "extension is not mp4 or mov have duration 0 and no sensor data). With\n"
      "--catalogue, prints the recordings the viewer lists for DIR.\n";

void writeLine(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
}

void complain(const QString &message)
{
    std::fprintf(stderr, "korvid-probe: %s\n", qPrintable(message));
}

// Whether path can be read as a file; explains why not on stderr. Opened
// without blocking (a FIFO would wait for a writer for ever) and only a
// regular file counts, as in the viewer, which reads nothing else.
bool readable(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        complain(QStringLiteral("cannot open %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    struct stat st = {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular) {
        complain(QStringLiteral("cannot open %1: %2")
                     .arg(path,
                         S_ISDIR(st.st_mode) ? QStringLiteral("is a folder")
                                             : QStringLiteral("not a regular file")));
        return false;
    }
    return true;
}

int probeFiles(const QStringList &paths)
{
    int status = 0;
    for (const QString &path : paths) {
        if (!readable(path)) {
            status = 1;
            continue;
        }
        int type = KVVideoItem::TYPE_NONE;
        const QString dateText = KVVideoItem::parseName(path, &type);
        QDateTime start;
        if (type != KVVideoItem::TYPE_NONE) {
            start = KVVideoItem::parseDateTime(dateText);
            if (!start.isValid())
                type = KVVideoItem::TYPE_NONE;
        }
        KVVideoItem item(path, false, start);
        item.setType(type);
        item.loadSensorInfo();
        writeLine(KVProbeJson::fileLine(path, type, item));
    }
    return status;
}

int probeCatalogue(const QString &folder)
{
    if (!QFileInfo(folder).isDir()) {
        complain(QStringLiteral("cannot open %1: not a folder").arg(folder));
        return 1;
    }
    KVVideoFileList *list = KVVideoFileList::instance();
    list->buildFolderNow(folder);
    writeLine(KVProbeJson::catalogueLine(list->allItems()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args.first() == QLatin1String("--catalogue")) {
        if (args.size() != 2) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        const int status = probeCatalogue(args.at(1));
        std::fflush(stdout);
        return status;
    }
    if (args.first() == QLatin1String("--"))
        args.removeFirst();
    else if (args.first().startsWith(QLatin1String("--"))) {
        complain(QStringLiteral("unknown option %1").arg(args.first()));
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const int status = probeFiles(args);
    std::fflush(stdout);
    return status;
}
