#pragma once
// The Skip / Overwrite / Cancel row that both "file already exists"
// questions (backup and capture) put into their pop-up's button bar,
// centred with 10 px between the buttons. Skip is the default button, so
// Return never replaces a file.
//
// Thread: GUI thread only.

#include <QString>

class KVButton;
class KVPopup;

struct KVOverwriteButtons {
    KVButton *skip = nullptr;
    KVButton *overwrite = nullptr;
    KVButton *cancel = nullptr;

    // buttonSheet: a style sheet of the buttons' own (empty: the pop-up's).
    static KVOverwriteButtons addTo(KVPopup *popup, const QString &buttonSheet = QString());
};
