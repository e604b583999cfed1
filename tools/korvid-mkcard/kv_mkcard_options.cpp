#include "kv_mkcard_options.h"

#include <QRegularExpression>

namespace kvmk
{

namespace
{

constexpr int kMaxSide = 3840;
constexpr qint64 kMaxCardSeconds = 24 * 3600;

QString parseSize(const QString &option, const QString &text, QSize *size)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return QStringLiteral("%1 wants WIDTHxHEIGHT, not \"%2\"").arg(option, text);
    const int w = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    // Even sides for 4:2:0; the frame-number strip needs 64x32 at least.
    if (w < 64 || h < 32 || w > kMaxSide || h > kMaxSide || w % 2 || h % 2)
        return QStringLiteral("%1 %2: sides must be even, width 64..%3, height 32..%3")
            .arg(option, text)
            .arg(kMaxSide);
    *size = QSize(w, h);
    return QString();
}

QString parseInt(const QString &option, const QString &text, int lo, int hi, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return QStringLiteral("%1 wants a whole number from %2 to %3, not \"%4\"")
            .arg(option)
            .arg(lo)
            .arg(hi)
            .arg(text);
    *value = v;
    return QString();
}

} // namespace

QString parseCommand(const QStringList &arguments, Command *command)
{
    QStringList folders;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            command->kind = Command::Help;
            return QString();
        }
        if (a == QLatin1String("--set-recent")) {
            command->kind = Command::SetRecent;
            continue;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            folders.append(a);
            continue;
        }
        if (i + 1 >= arguments.size())
            return QStringLiteral("%1 needs a value").arg(a);
        const QString value = arguments[++i];
        CardOptions &card = command->card;
        QString error;
        if (a == QLatin1String("--front"))
            error = parseSize(a, value, &card.front);
        else if (a == QLatin1String("--rear"))
            error = parseSize(a, value, &card.rear);
        else if (a == QLatin1String("--seconds"))
            error = parseInt(a, value, 1, 3600, &card.seconds);
        else if (a == QLatin1String("--recordings"))
            error = parseInt(a, value, 4, 10000, &card.recordings);
        else if (a == QLatin1String("--fps"))
            error = parseInt(a, value, 1, 120, &card.fps);
        else
            error = QStringLiteral("unknown option %1").arg(a);
        if (!error.isEmpty())
            return error;
    }
    // The whole drive is planned in memory (twenty samples a second): a
    // day of recordings is plenty for a demo card.
    const qint64 total = qint64(command->card.recordings) * command->card.seconds;
    if (total > kMaxCardSeconds)
        return QStringLiteral("--recordings x --seconds is at most %1 (24 hours), not %2")
            .arg(kMaxCardSeconds)
            .arg(total);
    if (folders.size() != 1)
        return folders.isEmpty() ? QStringLiteral("no folder given")
                                 : QStringLiteral("one folder only, got %1").arg(folders.size());
    if (command->kind == Command::SetRecent)
        command->recentFolder = folders.first();
    else
        command->card.folder = folders.first();
    return QString();
}

QString usageText()
{
    return QStringLiteral("usage: korvid-mkcard [options] DIR\n"
                          "Writes a demo card of the two-camera recorder into DIR.\n"
                          "  --front WxH       front camera size (default 1280x720)\n"
                          "  --rear WxH        rear camera size (default 640x360)\n"
                          "  --seconds S       length of each recording (default 20)\n"
                          "  --recordings N    number of recordings, at least 4 (default 8);\n"
                          "                    N x S is at most 86400 (a day)\n"
                          "  --fps F           frames per second (default 30)\n"
                          "usage: korvid-mkcard --set-recent DIR\n"
                          "Makes DIR the viewer's recent folder unless one is stored already.\n");
}

} // namespace kvmk
