#pragma once
// A message with an OK button ("ファイルがありません。" / "注意" and the like);
// Return presses OK.
// The pop-up is as wide as the message on one line in the bold 16-point
// font plus 31 pixels, and never narrower than its title bar and button
// need.
//
// Thread: GUI thread only.

#include "kv_popup.h"

class KVButton;
class QLabel;

class KVPopupMessage : public KVPopup
{
    Q_OBJECT
public:
    static constexpr int kMinimumWidth = 240;

    KVPopupMessage(QWidget *parent, const QString &message, const QString &title);

    QLabel *messageLabel() const { return _label; }
    KVButton *okButton() const { return _okButton; }

private:
    QLabel *_label = nullptr;
    KVButton *_okButton = nullptr;
};
