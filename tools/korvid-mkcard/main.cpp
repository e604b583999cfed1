// korvid-mkcard: writes a demo card of the two-camera recorder (see
// kv_mkcard_options.h for the command line). Exit codes: 0 done, 1 failed
// (with a message on stderr), 2 usage error.

#include "kv_mkcard_card.h"
#include "kv_mkcard_options.h"
#include "kv_mkcard_recent.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QElapsedTimer>
#include <QGuiApplication>

#include <clocale>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Text is drawn into pictures only: no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The application object took the user's locale: the sensor texts are
    // written with "%.6f" and must read "35.681236" in every locale.
    std::setlocale(LC_NUMERIC, "C");
    av_log_set_level(AV_LOG_ERROR); // the encoders' statistics are noise here

    kvmk::Command command;
    const QString usageError = kvmk::parseCommand(app.arguments().mid(1), &command);
    if (!usageError.isEmpty()) {
        std::fprintf(
            stderr, "korvid-mkcard: %s\n%s", qPrintable(usageError), qPrintable(kvmk::usageText()));
        return 2;
    }
    if (command.kind == kvmk::Command::Help) {
        std::fputs(qPrintable(kvmk::usageText()), stdout);
        return 0;
    }

    QString error;
    if (command.kind == kvmk::Command::SetRecent) {
        const kvmk::RecentResult result
            = kvmk::setRecentFolderIfUnset(command.recentFolder, &error);
        if (result == kvmk::RecentResult::Failed) {
            std::fprintf(stderr, "korvid-mkcard: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }

    QElapsedTimer timer;
    timer.start();
    QStringList written;
    if (!kvmk::writeCard(command.card, &written, &error)) {
        std::fprintf(stderr, "korvid-mkcard: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("korvid-mkcard: wrote %lld files to %s in %.1f s\n",
        static_cast<long long>(written.size()), qPrintable(command.card.folder),
        timer.elapsed() / 1000.0);
    return 0;
}
