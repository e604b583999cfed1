#pragma once
// The capture's question when a picture of that name exists already: Skip
// and Cancel reject, Overwrite accepts; the caller overwrites when the
// dialog was accepted.
//
// Thread: GUI thread only.

#include "kv_popup.h"

class KVButton;
class QLabel;

class KVDialogOverwriteSys : public KVPopup
{
    Q_OBJECT
public:
    // text: the name shown under the question (for example "NORM..._*.jpg").
    explicit KVDialogOverwriteSys(QWidget *parent, const QString &text = QString());

    QLabel *headerLabel() const { return _headerLabel; }
    QLabel *nameLabel() const { return _nameLabel; }
    KVButton *skipButton() const { return _skipButton; }
    KVButton *overwriteButton() const { return _overwriteButton; }
    KVButton *cancelButton() const { return _cancelButton; }

private:
    QLabel *_headerLabel = nullptr;
    QLabel *_nameLabel = nullptr;
    KVButton *_skipButton = nullptr;
    KVButton *_overwriteButton = nullptr;
    KVButton *_cancelButton = nullptr;
};
