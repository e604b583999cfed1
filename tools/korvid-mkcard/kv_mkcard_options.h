#pragma once
// The command line of korvid-mkcard:
//   korvid-mkcard [--front WxH] [--rear WxH] [--seconds S] [--recordings N] [--fps F] DIR
//   korvid-mkcard --set-recent DIR   (DIR becomes the viewer's recent folder
//                                     unless one is stored already)
//   korvid-mkcard --help
//
// Thread-safe: pure functions.

#include "kv_mkcard_card.h"

#include <QString>
#include <QStringList>

namespace kvmk
{

struct Command {
    enum Kind { WriteCard, SetRecent, Help };
    Kind kind = WriteCard;
    CardOptions card;
    QString recentFolder;
};

// Parses the arguments (without the program name); an empty result means
// success, otherwise it says what is wrong.
QString parseCommand(const QStringList &arguments, Command *command);

QString usageText();

} // namespace kvmk
