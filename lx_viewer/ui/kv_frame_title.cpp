#include "kv_frame_title.h"

#include "app/kv_language.h"
#include "app/kv_shortcut.h"
#include "core/kv_play_process.h"
#include "kv_layout.h"
#include "kv_lx_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

LXFrameTitle::LXFrameTitle(QWidget *parent, const QString &logo, const QString &title)
    : KVWidgetBase(parent, true)
{
    setStyleSheet(QStringLiteral(
        "LXFrameTitle{border-image: url(:/image/title_bg.png) 0 0 0 0 repeat stretch;}"));
    setFixedHeight(kHeight);

    _layout = new QHBoxLayout(this);
    _layout->setContentsMargins(0, 0, 0, 0);
    _layout->setSpacing(0);
    _layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    KVLayout::addSpacer(_layout, 8, 0);
    if (!logo.isEmpty() || !title.isEmpty()) {
        _logoLabel = new QLabel(this);
        if (!logo.isEmpty()) {
            _logoLabel->setPixmap(QPixmap(QStringLiteral(":/image/") + logo));
            _logoLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        } else {
            _logoLabel->setObjectName(QStringLiteral("title_label"));
            _logoLabel->setText(title);
        }
        _layout->addWidget(_logoLabel);
    }
    auto *filler = new QWidget(this);
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    _layout->addWidget(filler);

    _buttonLayout = new QHBoxLayout();
    _buttonLayout->setContentsMargins(0, 0, 0, 0);
    _buttonLayout->setSpacing(0);
    _buttonLayout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    _layout->addLayout(_buttonLayout);

    auto ja = [](const char *key) { return KVLanguage::lookupJapanese(QLatin1String(key)); };
    _reportButton
        = addButton(QStringLiteral("title_report"), ja("report"), QStringLiteral("Report"));
    _captureButton
        = addButton(QStringLiteral("title_capture"), ja("capture"), QStringLiteral("Capture"));
    _settingsButton = addButton(
        QStringLiteral("title_setup"), QString::fromUtf8("設定"), QStringLiteral("Settings"));
    _infoButton
        = addButton(QStringLiteral("title_info"), ja("viewer_info"), QStringLiteral("Info"));
    _languageButton
        = addButton(QStringLiteral("title_language"), ja("language"), QStringLiteral("Language"));
    _minimizeButton
        = addButton(QStringLiteral("title_minimize"), ja("minimize"), QStringLiteral("Minimize"));
    _closeButton = addButton(QStringLiteral("title_close"), ja("close"), QStringLiteral("Exit"));
    KVLayout::addSpacer(_buttonLayout, 8, 0);

    _reportButton->setEnabled(false);
    _captureButton->setEnabled(false);
    _reportButton->hide();
    _settingsButton->hide();
    _languageButton->hide();

    _shortcutF3 = addShortcut(Qt::Key_F3);
    _shortcutF6 = addShortcut(Qt::Key_F6);
    _shortcutF7 = addShortcut(Qt::Key_F7);
    _shortcutF5 = addShortcut(Qt::Key_F5);
    // Report and capture need a loaded recording (a report of nothing would
    // be an empty workbook), so both keys start off like their buttons.
    _shortcutF3->setWanted(false);
    _shortcutF5->setWanted(false);

    connect(_reportButton, &QPushButton::clicked, this, &LXFrameTitle::reportRequested);
    connect(_shortcutF3, &QShortcut::activated, this, &LXFrameTitle::reportRequested);
    connect(_captureButton, &QPushButton::clicked, this, &LXFrameTitle::captureRequested);
    connect(_shortcutF5, &QShortcut::activated, this, &LXFrameTitle::captureRequested);
    connect(_infoButton, &QPushButton::clicked, this, &LXFrameTitle::infoRequested);
    connect(_shortcutF7, &QShortcut::activated, this, &LXFrameTitle::infoRequested);
}

LXButton *LXFrameTitle::addButton(
    const QString &name, const QString &toolTip, const QString &english)
{
    LXButton *button
        = LXButton::createImageButton(this, _buttonLayout, name, toolTip, QSize(36, 36));
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, button, english);
    KVLayout::addSpacer(_buttonLayout, 2, 0);
    return button;
}

KVShortcut *LXFrameTitle::addShortcut(Qt::Key key)
{
    auto *shortcut = new KVShortcut(QKeySequence(key), this);
    return shortcut;
}

void LXFrameTitle::setMediaActionsEnabled(bool enabled)
{
    _reportButton->setEnabled(enabled);
    _captureButton->setEnabled(enabled);
    _shortcutF3->setWanted(enabled);
    _shortcutF5->setWanted(enabled);
}

void LXFrameTitle::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_FULLSCREEN_ENTERING)
        hide();
    else if (event == KVApp::EVENT_FULLSCREEN_LEAVING)
        show();
}

void LXFrameTitle::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_LOADED)
        setMediaActionsEnabled(true);
    else if (event == PLAY_USER_STOP)
        setMediaActionsEnabled(false);
    else if ((event == PLAY_STOPPED || event == PLAY_NO_MEDIA) && !item
        && !KVPlayProcess::instance()->pendingItem())
        setMediaActionsEnabled(false); // (no media: a load that could not play)
}
