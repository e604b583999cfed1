// Style-sheet templates, colour formatting, the picture buttons and their
// factories, the style-name switch of full screen, and the pictures every
// style sheet and template names: a missing picture fails here.

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "kv_test_main.h"
#include "ui/kv_button.h"
#include "ui/kv_lx_button.h"
#include "ui/kv_style.h"
#include "ui/kv_widget_style_base.h"

#include <QDirIterator>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>

namespace
{

// Every "url(...)" of a style sheet text.
QStringList urls(const QString &sheet)
{
    QStringList found;
    static const QRegularExpression re(QStringLiteral("url\\(([^)]*)\\)"));
    auto it = re.globalMatch(sheet);
    while (it.hasNext())
        found << it.next().captured(1).trimmed();
    return found;
}

QStringList missing(const QStringList &paths)
{
    QStringList gone;
    for (const QString &path : paths) {
        if (!QFile::exists(path))
            gone << path;
    }
    return gone;
}

QString readResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The picture names the frames hand to the button factories.
const char *const kImageButtons[] = {
    "title_report",
    "title_capture",
    "title_setup",
    "title_info",
    "title_language",
    "title_minimize",
    "title_close",
    "play_stop",
    "play_backward",
    "play_forward",
    "play_previous",
    "play_next",
    "vt_flip_h",
    "vt_flip_v",
    "vt_swap",
    "vt_fullscreen",
    "v_brightness",
    "v_constrast",
    "v_speed",
    "graph_up",
    "graph_down",
    "open",
    "backup",
};
const char *const kToggleButtons[] = {"play_play", "v_volume"};
const char *const kStaticButtons[] = {"sensor_x", "sensor_y", "sensor_z", "speed_kmh", "speed_mph"};
const char *const kColorButtons[]
    = {"type_all", "type_normal", "type_event", "type_manual", "type_park"};
// Pictures the frames load by path.
const char *const kPictures[] = {
    "title_bg",
    "title_popup_bg",
    "title_logo",
    "play_bg",
    "video_bg",
    "logo_front_big",
    "logo_rear_big",
    "logo_front_small",
    "logo_rear_small",
    "title_video_front",
    "title_video_rear",
    "title_video_front_en",
    "title_video_rear_en",
    "num_15x25",
    "speed_on",
    "speed_off",
    "title_list",
    "title_list_en",
    "panel_bg9",
    "checkbox_unchecked",
    "checkbox_checked",
    "checkbox_partial",
    "chechbox_disabled",
};

} // namespace

class TestStyleTemplates : public QObject
{
    Q_OBJECT
private slots:
    void hexColours()
    {
        QCOMPARE(toHexColor(0x00FF00), QStringLiteral("#00FF00"));
        QCOMPARE(toHexColor(0x5a5a5a), QStringLiteral("#5A5A5A"));
        QCOMPARE(toHexColor(0x000000), QStringLiteral("#000000"));
        QCOMPARE(toHexColor(0x0000C5), QStringLiteral("#0000C5"));
        QCOMPARE(toHexColor(0xC59433), QStringLiteral("#C59433"));
    }

    void templateTexts()
    {
        QCOMPARE(KVStyleTemplate::border("frame_gps", 0x666666),
            QStringLiteral("QWidget#frame_gps{border: 1px solid #666666;}"));
        QCOMPARE(KVStyleTemplate::background("popup_bg", 0x3a3a3a),
            QStringLiteral("QWidget#popup_bg{background-color: #3A3A3A;}"));
        QCOMPARE(KVStyleTemplate::panel("p", 0x0a0b0c, 0xffeedd),
            QStringLiteral("QWidget#p{border: 1px solid #FFEEDD;background-color: #0A0B0C;}"));
        QCOMPARE(KVStyleTemplate::label("lonlat_label", "Arial", 0xF5F5F5, 13, false),
            QStringLiteral("QLabel#lonlat_label{font-family: Arial;color : #F5F5F5;"
                           "font-size: 13px;font-weight: normal;}"));
        QCOMPARE(KVStyleTemplate::label("x", "MS PGothic", 0x00FF00, 12, true),
            QStringLiteral("QLabel#x{font-family: MS PGothic;color : #00FF00;"
                           "font-size: 12px;font-weight: bold;}"));
        QCOMPARE(
            KVStyleTemplate::badge("lonlat_title", "MS PGothic", 0xC59433, 12, false, 0x3C3C3C),
            QStringLiteral("QLabel#lonlat_title{font-family: MS PGothic;color : #C59433;"
                           "font-size: 12px;font-weight: normal;background-color: #3C3C3C;"
                           "border-radius:  3px;}"));
    }

    void applyFunctionsNameTheWidget()
    {
        QWidget widget;
        applyPanelStyle(&widget, "panel_name", 0x111111, 0x222222);
        QCOMPARE(widget.objectName(), QStringLiteral("panel_name"));
        QCOMPARE(widget.styleSheet(), KVStyleTemplate::panel("panel_name", 0x111111, 0x222222));
        QLabel label;
        applyBadgeStyle(&label, "badge", "Arial", 0xFFFFFF, 10, true, 0);
        QCOMPARE(label.objectName(), QStringLiteral("badge"));
        QVERIFY(label.styleSheet().startsWith("QLabel#badge{"));
    }

    void sliderTemplate()
    {
        QSlider slider(Qt::Horizontal);
        applySliderStyle(&slider, "play_slider", 0xCC9933, 0x666666, false);
        QCOMPARE(slider.objectName(), QStringLiteral("play_slider"));
        QCOMPARE(slider.minimumHeight(), 18);
        QCOMPARE(slider.maximumHeight(), 18);
        const QString big = slider.styleSheet();
        const QStringList rules = big.split('}', Qt::SkipEmptyParts);
        QCOMPARE(rules.size(), 8);
        QCOMPARE(rules[0], QStringLiteral("QSlider#play_slider{"));
        QCOMPARE(rules[1],
            QStringLiteral("QSlider#play_slider::groove:horizontal{border: 7px;height: 4px;"));
        QCOMPARE(rules[2],
            QStringLiteral("QSlider#play_slider::sub-page:horizontal{background: "
                           "#CC9933;"));
        QCOMPARE(rules[3],
            QStringLiteral("QSlider#play_slider::add-page:horizontal{background: "
                           "#666666;"));
        const char *const handles[][2] = {{"::handle:horizontal{", "slider_knob.png"},
            {"::handle:horizontal:hover:!pressed{", "slider_knob_1.png"},
            {"::handle:horizontal:pressed{", "slider_knob_2.png"},
            {"::handle:horizontal:disabled{", "slider_knob_3.png"}};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(rules[4 + i],
                QStringLiteral("QSlider#play_slider%1image: url(:/image/%2);margin: -7px "
                               "-0px -7px -0px;")
                    .arg(QLatin1String(handles[i][0]), QLatin1String(handles[i][1])));
        }

        applySliderStyle(&slider, "small", 0x123456, 0xABCDEF, true);
        QCOMPARE(slider.maximumHeight(), 14);
        const QString small = slider.styleSheet();
        QVERIFY(small.contains("border: 6px;height: 2px;"));
        QVERIFY(
            small.contains("url(:/image/slider_knob_small_3.png);margin: -6px -0px -6px -0px;"));
        QVERIFY(small.contains("background: #123456;"));
        QVERIFY(small.contains("background: #ABCDEF;"));
        QVERIFY(!small.contains('%'));
    }

    void buttonTemplates()
    {
        const QString image = KVStyleTemplate::imageButton("open");
        QCOMPARE(urls(image),
            (QStringList{":/image/open.png", ":/image/open_2.png", ":/image/open_1.png",
                ":/image/open_3.png"}));
        QVERIFY(image.indexOf("LXButton:pressed{") < image.indexOf("LXButton:hover:!pressed{"));
        QVERIFY(image.indexOf("LXButton:hover:!pressed{") < image.indexOf("LXButton:disabled{"));

        QCOMPARE(urls(KVStyleTemplate::staticButton("sensor_x")),
            QStringList(4, ":/image/sensor_x.png"));

        const QString toggle = KVStyleTemplate::toggleButton("play_play");
        QCOMPARE(urls(toggle).mid(4),
            (QStringList{":/image/play_play_checked.png", ":/image/play_play_checked_2.png",
                ":/image/play_play_checked_1.png", ":/image/play_play_checked_3.png"}));
        QVERIFY(toggle.contains("LXButton:checked:hover:!pressed{"));
        QVERIFY(
            toggle.indexOf("LXButton:checked:disabled{") > toggle.indexOf("LXButton:disabled{"));

        const QString colour = KVStyleTemplate::colorButton(
            "type_all", LXButtonColors{0x595959, 0x2E2E2E, 0x343434, 0x595958, 0x3a3a3a});
        QCOMPARE(colour,
            QStringLiteral("LXButton{image: url(:/image/type_all.png);background-color: "
                           "#595959;}LXButton:pressed{background-color: #2E2E2E;}"
                           "LXButton:hover:!pressed{background-color: #343434;}"
                           "LXButton:checked{background-color: #595958;}"
                           "LXButton:disabled{image: url(:/image/type_all_3.png);"
                           "background-color: #3A3A3A;}"));
    }

    void factories()
    {
        QWidget parent;
        auto *layout = new QHBoxLayout(&parent);
        KVLanguage *language = KVLanguage::instance();
        const int before = language->registeredWidgetCount();
        const QString tip = QString::fromUtf8("再生");

        LXButton *image
            = LXButton::createImageButton(&parent, layout, "play_stop", tip, QSize(62, 62));
        QCOMPARE(image->parentWidget(), &parent);
        QCOMPARE(layout->indexOf(image), 0);
        QCOMPARE(image->objectName(), QStringLiteral("play_stop"));
        QCOMPARE(image->size(), QSize(62, 62));
        QCOMPARE(image->minimumSize(), QSize(62, 62));
        QCOMPARE(image->maximumSize(), QSize(62, 62));
        QCOMPARE(image->toolTip(), tip);
        QCOMPARE(image->focusPolicy(), Qt::NoFocus);
        QCOMPARE(image->styleSheet(), KVStyleTemplate::imageButton("play_stop"));
        QCOMPARE(image->sizePolicy().controlType(), QSizePolicy::DefaultType);
        QCOMPARE(
            language->registeredText(image, KVLanguage::LANGUAGE_JAPANESE, KVLanguage::TOOLTIP),
            tip);
        QCOMPARE(image->value(), 0);
        QVERIFY(!image->isCheckable());
        QVERIFY(image->isEnabled());

        LXButton *toggle
            = LXButton::createToggleButton(&parent, layout, "play_play", tip, QSize(62, 62));
        QVERIFY(toggle->isCheckable());
        QCOMPARE(toggle->styleSheet(), KVStyleTemplate::toggleButton("play_play"));

        // No tool tip: nothing set, nothing registered.
        LXButton *plate
            = LXButton::createStaticButton(&parent, layout, "speed_kmh", QString(), QSize(87, 23));
        QVERIFY(!plate->isEnabled());
        QVERIFY(plate->toolTip().isEmpty());
        QCOMPARE(
            language->registeredText(plate, KVLanguage::LANGUAGE_JAPANESE, KVLanguage::TOOLTIP),
            QString());

        KVButton *text = KVButton::create(&parent, nullptr, "button", QString(), QSize(120, 30));
        QCOMPARE(text->focusPolicy(), Qt::NoFocus);
        QVERIFY(text->styleSheet().isEmpty());
        QCOMPARE(layout->indexOf(text), -1);

        QCOMPARE(language->registeredWidgetCount(), before + 2);
        delete image;
        delete toggle;
        QCOMPARE(language->registeredWidgetCount(), before);
    }

    void stylePropertyTakesEffectAtOnce()
    {
        // Property and name selectors are only looked at when a widget is
        // polished: the setters must re-polish.
        QWidget parent;
        parent.setStyleSheet("KVButton#b { color: #0000FF; }"
                             "KVButton#b[rear=true] { color: #FF0000; }"
                             "KVButton#c { color: #00FF00; }");
        KVButton *button = KVButton::create(&parent, nullptr, "b", QString(), QSize(10, 10));
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(0x0000FF));
        button->setStyleProperty("rear", true);
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(0xFF0000));
        button->setStyleProperty("rear", false);
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(0x0000FF));
        button->setStyleName("c");
        QCOMPARE(button->objectName(), QStringLiteral("c"));
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(0x00FF00));
    }

    void styleNameFollowsFullScreen()
    {
        KVApp *hub = KVApp::instance();
        KVWidgetStyleBase named(nullptr, "graph_widget", true);
        KVWidgetStyleBase unnamed(nullptr, QString(), true);
        unnamed.setObjectName("given_later");
        KVWidgetStyleBase deaf(nullptr, "deaf", false);
        QCOMPARE(named.objectName(), QStringLiteral("graph_widget"));
        QCOMPARE(named.styleName(), QStringLiteral("graph_widget"));

        emit hub->appEvent(KVApp::EVENT_FULLSCREEN_ENTERING);
        QCOMPARE(named.objectName(), QString());
        emit hub->appEvent(KVApp::EVENT_FULLSCREEN_ENTERED);
        QCOMPARE(named.objectName(), QString());
        emit hub->appEvent(KVApp::EVENT_FULLSCREEN_LEAVING);
        QCOMPARE(named.objectName(), QStringLiteral("graph_widget"));
        emit hub->appEvent(KVApp::EVENT_FULLSCREEN_LEFT);
        emit hub->appEvent(KVApp::EVENT_APP_CLOSING);
        QCOMPARE(named.objectName(), QStringLiteral("graph_widget"));

        // An empty style name never touches the object name.
        QCOMPARE(unnamed.objectName(), QStringLiteral("given_later"));
        // Not listening: no change at all.
        QCOMPARE(deaf.objectName(), QStringLiteral("deaf"));
        emit hub->appEvent(KVApp::EVENT_FULLSCREEN_ENTERING);
        QCOMPARE(deaf.objectName(), QStringLiteral("deaf"));
        QCOMPARE(unnamed.objectName(), QStringLiteral("given_later"));
        emit hub->appEvent(KVApp::EVENT_FULLSCREEN_LEAVING);
    }

    void applicationStyleSheetPicturesExist()
    {
        const QString qss = readResource(":/stylesheet/style.qss");
        QVERIFY(!qss.isEmpty());
        const QStringList named = urls(qss);
        QVERIFY(named.size() > 50);
        QVERIFY2(missing(named).isEmpty(), qPrintable(missing(named).join(' ')));
    }

    void applicationStyleSheetSelectors()
    {
        // The selectors the widgets' class and object names rely on.
        const QString qss = readResource(":/stylesheet/style.qss");
        for (const char *selector :
            {"KVButton#popup_button", "KVButton#fullscreen_button[restore=true]",
                "KVButton#play_pause[paused=true]", "QFrame#video_main_logo[rear=true]",
                "QFrame#video_sub_logo[front=true]", "QLabel#LCD", "QLabel#text_header_label",
                "QLabel#text_normal_label", "QLabel#title_label", "QCheckBox#popup",
                "QCheckBox#listAll", "QWidget#player_bg", "QWidget#top_border_5A", "QSlider#play",
                "QGroupBox#settings", "QComboBox#settings", "QRadioButton#settings",
                "QLineEdit#file", "TitleWidget#popup_title", "KVPopupContentBackground {",
                "KVButton#group_event_slim", "KVButton#swap_video_front", "KVButton#zoomout"}) {
            QVERIFY2(qss.contains(QLatin1String(selector)), selector);
        }
    }

    void templatePicturesExist()
    {
        QStringList named;
        for (const char *name : kImageButtons)
            named << urls(KVStyleTemplate::imageButton(name));
        for (const char *name : kToggleButtons)
            named << urls(KVStyleTemplate::toggleButton(name));
        for (const char *name : kStaticButtons)
            named << urls(KVStyleTemplate::staticButton(name));
        for (const char *name : kColorButtons)
            named << urls(KVStyleTemplate::colorButton(name, {}));
        named << urls(KVStyleTemplate::slider("s", 0, 0, false))
              << urls(KVStyleTemplate::slider("s", 0, 0, true));
        for (const char *name : kPictures)
            named << QStringLiteral(":/image/%1.png").arg(QLatin1String(name));
        QVERIFY2(missing(named).isEmpty(), qPrintable(missing(named).join(' ')));
    }

    void sourcePicturesExist()
    {
        // Every picture path written in the viewer's own sources.
        QStringList named;
        static const QRegularExpression re(QStringLiteral(":/image/([A-Za-z0-9_]+\\.png)"));
        QDirIterator it(QStringLiteral(KV_SOURCE_DIR "/lx_viewer"), {"*.cpp", "*.h"}, QDir::Files,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            auto match = re.globalMatch(QString::fromUtf8(file.readAll()));
            while (match.hasNext())
                named << QStringLiteral(":/image/") + match.next().captured(1);
        }
        QVERIFY(!named.isEmpty());
        QVERIFY2(missing(named).isEmpty(), qPrintable(missing(named).join(' ')));
    }

    void pictureSizes()
    {
        // Sizes the painting code relies on.
        QCOMPARE(QImage(":/image/num_15x25.png").size(), QSize(165, 25));
        QCOMPARE(QImage(":/image/speed_on.png").size(), QSize(72, 44));
        QCOMPARE(QImage(":/image/speed_off.png").size(), QSize(72, 44));
        QCOMPARE(QImage(":/image/title_bg.png").height(), 43);
        QCOMPARE(QImage(":/image/title_popup_bg.png").height(), 39);
        QCOMPARE(QImage(":/image/slider_knob.png").height(), 18);
        QCOMPARE(QImage(":/image/slider_knob_small.png").height(), 14);
        // The state pictures differ from the normal one.
        const QImage normal(":/image/title_close.png");
        for (const char *state : {"_1", "_2", "_3"}) {
            const QImage variant(QStringLiteral(":/image/title_close%1.png").arg(state));
            QCOMPARE(variant.size(), normal.size());
            QVERIFY2(variant != normal, state);
        }
        QVERIFY(QImage(":/image/play_play_checked.png") != QImage(":/image/play_play.png"));
    }
};

KV_TEST_MAIN(TestStyleTemplates)
#include "tst_style_templates.moc"
