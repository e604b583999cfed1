#pragma once
// The backup's question when a target file exists already ("この場所に同じ
// 名前のファイルがあります。" / "File already exists."): Skip, Overwrite or
// Cancel for the file named, and, when more than one recording is still to
// go, a check box that applies the answer to the following files too.
//
// After exec(): accepted gives answer() (2 skip or 4 overwrite, plus 16 when
// the check box is ticked); rejected (Cancel, Escape, closing) means cancel.
//
// Thread: GUI thread only.

#include "kv_popup.h"

class KVButton;
class KVWidgetCheckBox;
class QLabel;

class KVDialogOverwrite : public KVPopup
{
    Q_OBJECT
public:
    KVDialogOverwrite(QWidget *parent, const QString &conflictName, int remaining);

    int answer() const { return _answer; }

    QLabel *headerLabel() const { return _headerLabel; }
    QLabel *nameLabel() const { return _nameLabel; }
    // nullptr when one recording remains.
    KVWidgetCheckBox *applyToNextBox() const { return _applyBox; }
    KVButton *skipButton() const { return _skipButton; }
    KVButton *overwriteButton() const { return _overwriteButton; }
    KVButton *cancelButton() const { return _cancelButton; }

public slots:
    void onSkip();
    void onOverwrite();

private:
    void answerWith(int word);

    int _answer = 0;
    QLabel *_headerLabel = nullptr;
    QLabel *_nameLabel = nullptr;
    KVWidgetCheckBox *_applyBox = nullptr;
    KVButton *_skipButton = nullptr;
    KVButton *_overwriteButton = nullptr;
    KVButton *_cancelButton = nullptr;
};
