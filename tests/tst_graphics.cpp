// The renderer choice: the old-chipset test over adapter names, the names
// read from a DRM device tree, and the hardware-acceleration setting.

#include "app/kv_graphics.h"
#include "kv_test_util.h"

#include <QDir>
#include <QtTest>

class TestGraphics : public QObject
{
    Q_OBJECT

    // A fake /sys/class/drm with one card per (vendor, device).
    QString fakeDrm(const QList<QPair<QString, QString>> &cards)
    {
        const QString root = KVTest::makeTempDir("drm");
        int i = 0;
        for (const auto &card : cards) {
            const QString dev = QStringLiteral("%1/card%2/device").arg(root).arg(i++);
            KVTest::writeFile(dev + "/vendor", card.first.toLatin1() + "\n");
            KVTest::writeFile(dev + "/device", card.second.toLatin1() + "\n");
        }
        return root;
    }

private slots:
    void oldChipsets_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("old");
        QTest::newRow("spaces and case") << QStringList{"Express Chipset g 41"} << true;
        QTest::newRow("GM45") << QStringList{"Mobile Intel(R) GM45 Express Chipset"} << true;
        QTest::newRow("X4500 in second adapter")
            << QStringList{"llvmpipe (LLVM 15.0.6, 256 bits)", "Intel(R) X4500"} << true;
        QTest::newRow("Q43") << QStringList{"Intel(R) Q45/Q43 Express Chipset"} << true;
        QTest::newRow("GL40") << QStringList{"Mobile Intel GL 40"} << true;
        QTest::newRow("modern Intel") << QStringList{"Intel(R) UHD Graphics 620"} << false;
        QTest::newRow("Radeon") << QStringList{"AMD Radeon RX 6600"} << false;
        QTest::newRow("G4 1 joins to G41") << QStringList{"G4 1"} << true;
        QTest::newRow("G40") << QStringList{"Intel G40"} << false;
        QTest::newRow("none") << QStringList{} << false;
    }
    void oldChipsets()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, old);
        QCOMPARE(KVGraphics::isOldChipset(names), old);
    }

    void adapterNamesFromDrm()
    {
        const QString root = fakeDrm({{"0x8086", "0x2e32"}, {"0x1002", "0x73ff"}});
        // Connector entries beside the cards are not adapters.
        KVTest::writeFile(root + "/card0-HDMI-A-1/status", "connected\n");
        const QStringList names = KVGraphics::displayAdapterNames(root);
        QCOMPARE(names.size(), 2);
        QVERIFY2(names.at(0).contains("G41"), qPrintable(names.at(0)));
        QVERIFY(KVGraphics::isOldChipset(names));
        QVERIFY(!KVGraphics::isOldChipset({names.at(1)}));

        QVERIFY(KVGraphics::displayAdapterNames(root + "/missing").isEmpty());
    }

    void choice()
    {
        const QStringList modern{"Intel(R) UHD Graphics 620"};
        QVERIFY(!KVGraphics::decideOpenGLForbidden(false, modern));
        QVERIFY(!KVGraphics::openGLForbidden());
        QVERIFY(KVGraphics::decideOpenGLForbidden(true, modern));
        QVERIFY(KVGraphics::openGLForbidden());
        QVERIFY(KVGraphics::decideOpenGLForbidden(false, {"Intel G41"}));
        KVGraphics::setOpenGLForbidden(false);
        QVERIFY(!KVGraphics::openGLForbidden());
    }
};

QTEST_GUILESS_MAIN(TestGraphics)
#include "tst_graphics.moc"
