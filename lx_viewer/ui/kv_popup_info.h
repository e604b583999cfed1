#pragma once
// The information pop-up (F7 or the title bar's info button): the viewer's
// version, Version : 1.0.0, and the hardware-acceleration switch. Changing
// the switch asks "再起動します"; OK stores the choice and restarts the
// viewer, Cancel puts the box back. When the choice cannot be stored, or the
// new viewer cannot be started, a warning says so and this viewer stays.
//
// On the old integrated chipsets whose drivers show video badly the box is
// unchecked and disabled: acceleration stays off there whatever is stored.
//
// Thread: GUI thread only.

#include "kv_popup.h"

class KVWidgetCheckBox;
class KVButton;
class QLabel;

class KVPopupInfo : public KVPopup
{
    Q_OBJECT
public:
    static constexpr int kMajor = 1;
    static constexpr int kMinor = 0;
    static constexpr int kPatch = 0;

    KVPopupInfo(QWidget *parent, const QString &title, const QString &logo);

    KVWidgetCheckBox *accelBox() const { return _accelBox; }
    KVButton *okButton() const { return _okButton; }
    QLabel *versionLabel() const { return _versionLabel; }

    // The box's state for the machine: disabled and unchecked on an old
    // chipset, else enabled and checked when acceleration is on.
    static void setUpAccelBox(KVWidgetCheckBox *box, bool oldChipset, bool hwAccelOff);

public slots:
    void onHWAccelClicked();

private:
    // A modal warning over the pop-up (the switch could not be applied).
    void showWarning(const QString &text);

    QLabel *_headerLabel = nullptr;
    QLabel *_versionLabel = nullptr;
    KVWidgetCheckBox *_accelBox = nullptr;
    KVButton *_okButton = nullptr;
};
