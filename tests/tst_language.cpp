// The language table: the Japanese texts by key, per-widget texts and their
// application, the stored language, and widgets that go away.

#include "app/kv_language.h"
#include "app/kv_settings.h"
#include "kv_test_main.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void japaneseTableTexts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("half-width middle dot") << "swap" << QString::fromUtf8("フロント･リア切替え");
        QTest::newRow("blanks kept") << "high_speed" << QString::fromUtf8("高速 ( 130 Km/h 以上 )");
        QTest::newRow("full-width parentheses")
            << "pw_message" << QString::fromUtf8("パスワード作成（4文字以上20文字以内）生成。");
        QTest::newRow("mute") << "volume_mute" << QString::fromUtf8("音量");
        QTest::newRow("unmute") << "volume_un_mute" << QString::fromUtf8("音量");
        QTest::newRow("ascii") << "ok" << "OK";
        QTest::newRow("open message") << "open_message" << QString::fromUtf8("録画ファイルがあるフォルダを選択");
        QTest::newRow("software version") << "viewer_sw_version" << QString::fromUtf8("Viewer S/W バージョン情報");
        QTest::newRow("missing key") << "no_such_key" << QString();
        QTest::newRow("case matters") << "OK" << QString();
    }
    void japaneseTableTexts()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QCOMPARE(KVLanguage::lookupJapanese(key), text);
        // A second lookup (the missing key now in the table) gives the same.
        QCOMPARE(KVLanguage::lookupJapanese(key), text);
    }

    void systemLanguage()
    {
        QCOMPARE(KVLanguage::detectSystemLanguage("ja_JP"), 1);
        QCOMPARE(KVLanguage::detectSystemLanguage("ja_jp"), 1);
        QCOMPARE(KVLanguage::detectSystemLanguage("en_US"), 2);
        QCOMPARE(KVLanguage::detectSystemLanguage("ja"), 2);
        QCOMPARE(KVLanguage::detectSystemLanguage("C"), 2);
    }

    void applyPushesTextsOfCurrentLanguage()
    {
        KVLanguage *lang = KVLanguage::instance();
        QCOMPARE(lang->language(), KVLanguage::LANGUAGE_JAPANESE); // nothing stored
        QPushButton button;
        QLabel label(QStringLiteral("before"));
        QLabel unregistered(QStringLiteral("untouched"));
        const QString ja = QString::fromUtf8("再生");
        button.setToolTip(ja);
        lang->registerText(1, KVLanguage::TOOLTIP, &button, ja);
        lang->registerText(2, KVLanguage::TOOLTIP, &button, "Play");
        lang->registerText(2, KVLanguage::TEXT, &label, "Speed");
        // Japanese current: no Japanese text for the label, so it is emptied;
        // the button keeps its tool tip, and its text stays (no text registered).
        button.setText("x");
        lang->apply();
        QCOMPARE(button.toolTip(), ja);
        QCOMPARE(button.text(), QStringLiteral("x"));
        QCOMPARE(label.text(), QString());
        QCOMPARE(unregistered.text(), QStringLiteral("untouched"));

        QSignalSpy changed(lang, &KVLanguage::languageChange);
        lang->setLanguage(2);
        QCOMPARE(button.toolTip(), QStringLiteral("Play"));
        QCOMPARE(label.text(), QStringLiteral("Speed"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<KVLanguage::LANGUAGE_TYPE>(), KVLanguage::LANGUAGE_ENGLISH);
        QCOMPARE(KVLanguage::languageSuffix(), QStringLiteral("_en"));
        QVERIFY(!KVLanguage::isJapanese());
        QSettings file(KVSettings::instance()->fileName(), QSettings::IniFormat);
        QCOMPARE(file.value("APP/LANGUAGE").toInt(), 2);

        // Setting the current language again still applies, stores and announces.
        button.setToolTip("changed");
        lang->setLanguage(2);
        QCOMPARE(button.toolTip(), QStringLiteral("Play"));
        QCOMPARE(changed.count(), 2);

        // A second registration replaces the text.
        lang->registerText(2, KVLanguage::TOOLTIP, &button, "Play now");
        lang->apply();
        QCOMPARE(button.toolTip(), QStringLiteral("Play now"));

        lang->setLanguage(1);
        QCOMPARE(KVLanguage::languageSuffix(), QString());
        QCOMPARE(button.toolTip(), ja);
    }

    void destroyedWidgetsLeaveTheRegistry()
    {
        KVLanguage *lang = KVLanguage::instance();
        const int before = lang->registeredWidgetCount();
        {
            QLabel label;
            QPushButton button;
            lang->registerText(2, KVLanguage::TEXT, &label, "Gone");
            lang->registerText(2, KVLanguage::TOOLTIP, &button, "Gone too");
            QCOMPARE(lang->registeredWidgetCount(), before + 2);
        }
        QCOMPARE(lang->registeredWidgetCount(), before);
        // Applying after the widgets are gone must not touch freed memory.
        lang->setLanguage(2);
        lang->setLanguage(1);

        QPushButton kept;
        lang->registerText(1, KVLanguage::TOOLTIP, &kept, "a");
        lang->unregisterWidget(&kept);
        QCOMPARE(lang->registeredText(&kept, 1, KVLanguage::TOOLTIP), QString());
    }
};

KV_TEST_MAIN(TestLanguage)
#include "tst_language.moc"
