// The catalogue on real folder trees: which files become recordings and how
// front and rear files join (letter case, .MOV pairs, 300 ms rules), the scan
// order and depth limit, the type filter, next/previous, the threaded build
// with its progress and hand-over on the GUI thread, and how long items live.

#include "app/kv_settings.h"
#include "data/kv_video_file_list.h"
#include "kv_fixture_files.h"
#include "kv_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <time.h>

namespace
{

QString name(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("-") : QFileInfo(path).fileName();
}

// "front|rear|type" of every item, in catalogue order.
QStringList describe(const QList<KVVideoItem *> &items)
{
    QStringList lines;
    for (KVVideoItem *item : items)
        lines << name(item->frontPath()) + QLatin1Char('|') + name(item->rearPath())
                + QLatin1Char('|') + QString::number(item->type());
    return lines;
}

bool tiny(const QString &path, quint32 ms = 5000)
{
    return KVFixture::writeTinyMp4(path, ms);
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

    KVVideoFileList *list() { return KVVideoFileList::instance(); }

    // A folder with one recording per given name key (front and rear).
    QString smallCard(const QString &prefix, const QStringList &keys)
    {
        const QString dir = KVTest::makeTempDir(prefix);
        for (const QString &key : keys) {
            tiny(dir + QLatin1Char('/') + key + QStringLiteral("F.mp4"));
            tiny(dir + QLatin1Char('/') + key + QStringLiteral("R.mp4"));
        }
        return dir;
    }

private slots:
    void initialState()
    {
        QCOMPARE(list()->filter(), 3);
        QVERIFY(list()->allItems().isEmpty());
        QVERIFY(!list()->currentItem());
    }

    void joinsFrontAndRearFiles()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("join"));
        const QString sub = dir + QStringLiteral("/DCIM");
        QVERIFY(tiny(sub + QStringLiteral("/NORM201221-102047F.mp4")));
        QVERIFY(tiny(sub + QStringLiteral("/NORM201221-102047R.mp4"), 4000));
        QVERIFY(tiny(sub + QStringLiteral("/EVEN201221-110000R.mp4")));
        // Lower-case names, .MOV pairs and mixed letter cases join as well.
        QVERIFY(tiny(dir + QStringLiteral("/norm201221-120000f.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/norm201221-120000r.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/PARK201221-130000F.MOV")));
        QVERIFY(tiny(dir + QStringLiteral("/PARK201221-130000R.MOV")));
        QVERIFY(tiny(dir + QStringLiteral("/MANU201221-140000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/MANU201221-140000R.MP4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201221-150000F.Mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/norm201221-150000r.mP4"), 7000));
        // Another extension family is not a partner: the rear .MOV is a
        // duplicate of the recording and is left out.
        QVERIFY(tiny(dir + QStringLiteral("/NORM201221-160000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201221-160000R.mov")));
        // Left out: invalid date, 300 ms, a pair whose rear is 300 ms, and
        // names outside the grammar.
        QVERIFY(tiny(dir + QStringLiteral("/EVEN211301-120000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201222-000000F.mp4"), 300));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201222-000200F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201222-000200R.mp4"), 300));
        QVERIFY(tiny(dir + QStringLiteral("/hello.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201222-000300F.txt")));
        // Taken: 301 ms; equal start times sort NORM before EVEN.
        QVERIFY(tiny(dir + QStringLiteral("/NORM201222-000100F.mp4"), 301));
        QVERIFY(tiny(dir + QStringLiteral("/EVEN201223-000000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201223-000000F.mp4")));

        QCOMPARE(list()->buildFolderNow(dir), 19);
        const QStringList expected{
            "NORM201221-102047F.mp4|NORM201221-102047R.mp4|0",
            "-|EVEN201221-110000R.mp4|1",
            "norm201221-120000f.mp4|norm201221-120000r.mp4|0",
            "PARK201221-130000F.MOV|PARK201221-130000R.MOV|3",
            "MANU201221-140000F.mp4|MANU201221-140000R.MP4|2",
            "NORM201221-150000F.Mp4|norm201221-150000r.mP4|0",
            "NORM201221-160000F.mp4|-|0",
            "NORM201222-000100F.mp4|-|0",
            "NORM201223-000000F.mp4|-|0",
            "EVEN201223-000000F.mp4|-|1",
        };
        QCOMPARE(describe(list()->allItems()), expected);
        const QList<KVVideoItem *> items = list()->allItems();
        // A pair carries its rear file's duration, read from the file found.
        QCOMPARE(items.at(0)->duration(), 4000u);
        QCOMPARE(items.at(5)->duration(), 7000u);
        QCOMPARE(items.at(0)->start(), QDateTime(QDate(2020, 12, 21), QTime(10, 20, 47), Qt::UTC));
        QCOMPARE(items.at(0)->frontPath(), sub + QStringLiteral("/NORM201221-102047F.mp4"));

        QVERIFY(list()->hasRecording(QStringLiteral("/x/NORM201221-120000R.MP4")));
        QVERIFY(list()->hasRecording(QStringLiteral("/x/park201221-130000f.mov")));
        QVERIFY(!list()->hasRecording(QStringLiteral("/x/NORM201222-000200F.mp4")));
    }

    void partnersThatAreNoRecording()
    {
        // A pipe, a folder or a file cut before its movie header under a
        // partner's name: the good file stays a recording of its own, and the
        // build never opens the pipe (it would wait for a writer for good).
        const QString dir = KVTest::makeTempDir(QStringLiteral("partners"));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201221-102047F.mp4")));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir + QStringLiteral("/NORM201221-102047R.mp4")), 0600), 0);
        QVERIFY(tiny(dir + QStringLiteral("/MANU201221-110000R.mp4")));
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir + QStringLiteral("/MANU201221-110000F.mp4")), 0600), 0);
        QVERIFY(tiny(dir + QStringLiteral("/PARK201221-120000F.mp4")));
        QVERIFY(QDir(dir).mkdir(QStringLiteral("PARK201221-120000R.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/EVEN201221-130000R.mp4")));
        QByteArray cut;
        {
            const QString whole = dir + QStringLiteral("/whole.bin");
            QVERIFY(tiny(whole));
            QFile f(whole);
            QVERIFY(f.open(QIODevice::ReadOnly));
            cut = f.read(40); // the start of the file, no movie header
        }
        QVERIFY(KVTest::writeFile(dir + QStringLiteral("/EVEN201221-130000F.mp4"), cut));
        // A good front file whose rear file is empty, or cut before its
        // movie header (the power went while the recorder wrote it), stays a
        // recording: only a rear file with a header of 300 ms or less drops
        // the recording.
        QVERIFY(tiny(dir + QStringLiteral("/NORM201221-140000F.mp4")));
        QVERIFY(KVTest::writeFile(dir + QStringLiteral("/NORM201221-140000R.mp4"), QByteArray()));
        QVERIFY(tiny(dir + QStringLiteral("/NORM201221-150000F.mp4")));
        QVERIFY(KVTest::writeFile(dir + QStringLiteral("/NORM201221-150000R.mp4"), cut));

        list()->buildFolderNow(dir);
        const QStringList expected{
            "NORM201221-102047F.mp4|-|0",
            "-|MANU201221-110000R.mp4|2",
            "PARK201221-120000F.mp4|-|3",
            "-|EVEN201221-130000R.mp4|1",
            "NORM201221-140000F.mp4|-|0",
            "NORM201221-150000F.mp4|-|0",
        };
        QCOMPARE(describe(list()->allItems()), expected);
        // The rear-only recording plays and reads its sensor data from the
        // rear file.
        KVVideoItem *even = list()->allItems().at(3);
        QCOMPARE(even->displayPath(), dir + QStringLiteral("/EVEN201221-130000R.mp4"));
        QCOMPARE(even->duration(), 5000u);
        // A pipe is never a recording, even when asked for directly.
        const KVVideoItem pipe(dir + QStringLiteral("/MANU201221-110000F.mp4"), false,
            QDateTime(QDate(2020, 12, 21), QTime(11, 0)));
        QVERIFY(!pipe.isValid());
    }

    void scanOrderDepthAndHiddenFolders()
    {
        const QString dir = KVTest::makeTempDir(QStringLiteral("scan"));
        QString level = dir;
        QStringList expected;
        for (int depth = 0; depth <= 6; ++depth) {
            const QString file = level + QStringLiteral("/NORM2101%1-000000F.mp4").arg(10 + depth);
            QVERIFY(tiny(file));
            if (depth <= 5)
                expected.prepend(file);
            level += QStringLiteral("/L%1").arg(depth + 1);
        }
        // Sub-folders in name order ignoring case, before the parent's files.
        QVERIFY(tiny(dir + QStringLiteral("/b/NORM210201-000000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/A/NORM210202-000000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/.hidden/NORM210203-000000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/c/NORM210204-000000F.MOV")));
        QVERIFY(tiny(dir + QStringLiteral("/c/NORM210205-000000F.avi")));
        expected.insert(0, dir + QStringLiteral("/A/NORM210202-000000F.mp4"));
        expected.insert(1, dir + QStringLiteral("/b/NORM210201-000000F.mp4"));
        expected.insert(2, dir + QStringLiteral("/c/NORM210204-000000F.MOV"));

        // A link to a folder is not followed: one leading back up would list
        // every recording again under each level of the loop (and one to
        // the home folder would read all of it).
        QVERIFY(QFile::link(dir, dir + QStringLiteral("/c/loop")));
        QVERIFY(QFile::link(dir + QStringLiteral("/A"), dir + QStringLiteral("/linked")));

        QList<QUrl> urls;
        KVVideoFileList::scanFolder(dir, urls, 0);
        QStringList paths;
        for (const QUrl &url : urls)
            paths << url.toLocalFile();
        QCOMPARE(paths, expected);
        // The folder asked for may be a link itself.
        const QString named
            = KVTest::makeTempDir(QStringLiteral("named")) + QStringLiteral("/card");
        QVERIFY(QFile::link(dir + QStringLiteral("/A"), named));
        urls.clear();
        KVVideoFileList::scanFolder(named, urls, 0);
        QCOMPARE(urls.size(), 1);
    }

    // The recorder's clock knows no time zone: where the local clocks skip
    // an hour in spring, its recordings of that hour are recordings all the
    // same, listed in the order of their names, and positions count on in
    // the recorder's time.
    void recordingsOfTheSkippedHour()
    {
        const QByteArray oldZone = qgetenv("TZ");
        const auto restoreZone = qScopeGuard([oldZone] {
            if (oldZone.isNull())
                qunsetenv("TZ");
            else
                qputenv("TZ", oldZone);
            tzset();
        });
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const QString dir = KVTest::makeTempDir(QStringLiteral("springgap"));
        QVERIFY(tiny(dir + QStringLiteral("/NORM210328-015930F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM210328-023000F.mp4")));
        QVERIFY(tiny(dir + QStringLiteral("/NORM210328-030500F.mp4")));
        QCOMPARE(list()->buildFolderNow(dir), 3);
        QStringList starts;
        for (KVVideoItem *item : list()->allItems())
            starts << item->startText();
        QCOMPARE(starts,
            (QStringList{QStringLiteral("2021-03-28 01:59:30"),
                QStringLiteral("2021-03-28 02:30:00"), QStringLiteral("2021-03-28 03:05:00")}));
        QCOMPARE(list()->allItems().at(0)->captureBaseName(60000),
            QStringLiteral("NORM210328-015930_210328-020030"));
    }

    void filterAndNeighbours()
    {
        const QString dir = smallCard(QStringLiteral("filter"),
            {"NORM210101-000000", "EVEN210101-000100", "MANU210101-000200", "PARK210101-000300",
                "NORM210101-000400"});
        QSignalSpy started(list(), &KVVideoFileList::listUpdateStarted);
        QSignalSpy ended(list(), &KVVideoFileList::listUpdateEnd);
        list()->buildFolderNow(dir);
        QCOMPARE(list()->filter(), 15);
        QCOMPARE(list()->visibleItems().size(), 5);
        QCOMPARE(started.size(), 2);
        QCOMPARE(started.at(0).at(0).toBool(), true);
        QCOMPARE(started.at(1).at(0).toBool(), false);
        QCOMPARE(ended.size(), 2);
        QCOMPARE(ended.at(0).at(0).toBool(), false);
        QCOMPARE(ended.at(1).at(0).toBool(), true);

        const QList<KVVideoItem *> all = list()->allItems();
        all.at(0)->setChecked(true);
        list()->setCurrentItem(all.at(1));
        list()->setFilter(3);
        QCOMPARE(list()->visibleItems(), (QList<KVVideoItem *>{all[0], all[1], all[4]}));
        QVERIFY(!all.at(0)->isChecked());
        QVERIFY(!list()->currentItem());
        list()->setFilterBit(KVVideoItem::FILTER_PARK, true);
        QCOMPARE(list()->visibleItems().size(), 4);
        list()->setFilterBit(KVVideoItem::FILTER_NORM, false);
        QCOMPARE(list()->visibleItems(), (QList<KVVideoItem *>{all[1], all[3]}));
        list()->setFilter(15);

        QSignalSpy found(list(), &KVVideoFileList::playItemFound);
        QSignalSpy none(list(), &KVVideoFileList::playNoMoreItem);
        // No current item: nothing at all.
        list()->onPlayNextVideo(-1);
        list()->onPlayPreviousVideo(-1);
        QCOMPARE(found.size() + none.size(), 0);
        // From the last, next wraps to the first; from the first, previous
        // has no more.
        list()->setCurrentItem(all.at(4));
        QCOMPARE(list()->nextItem(), all.at(0));
        list()->onPlayNextVideo(-1);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.at(0).at(0).value<KVVideoItem *>(), all.at(0));
        QCOMPARE(found.at(0).at(1).toInt(), 4);
        list()->setCurrentItem(all.at(0));
        QVERIFY(!list()->hasPrevious());
        list()->onPlayPreviousVideo(-1);
        QCOMPARE(none.size(), 1);
        list()->onPlayPreviousVideo(3);
        QCOMPARE(found.last().at(0).value<KVVideoItem *>(), all.at(2));
        QCOMPARE(found.last().at(1).toInt(), 0);
        list()->onPlayNextVideo(1);
        QCOMPARE(found.last().at(0).value<KVVideoItem *>(), all.at(2));
        // While the player loads, the advance does nothing.
        KVVideoFileList::setLoadInProgress(true);
        list()->onPlayNextVideo(-1);
        list()->onPlayPreviousVideo(2);
        KVVideoFileList::setLoadInProgress(false);
        QCOMPARE(found.size(), 3);
        QCOMPARE(none.size(), 1);
        // A current item that is filtered out: next starts at the first.
        list()->setCurrentItem(all.at(2));
        list()->setFilterBit(KVVideoItem::FILTER_MANU, false); // clears current
        list()->setCurrentItem(all.at(2));
        QCOMPARE(list()->indexOfCurrent(), -1);
        QCOMPARE(list()->nextItem(), all.at(0));
        list()->onPlayPreviousVideo(-1);
        QCOMPARE(none.size(), 2);

        // removeItem unlinks and reports the former visible index.
        list()->setFilter(15);
        QCOMPARE(list()->removeItem(all.at(3)), 3);
        QCOMPARE(list()->allItems().size(), 4);
        QCOMPARE(list()->removeItem(all.at(3)), -1);
        QCOMPARE(all.at(3)->type(), 3); // still alive
        // The recording playing is removed (its file has gone): next and
        // previous go from where it stood, not from the top.
        list()->setCurrentItem(all.at(2));
        QCOMPARE(list()->removeItem(all.at(2)), 2);
        QCOMPARE(list()->visibleItems(), (QList<KVVideoItem *>{all[0], all[1], all[4]}));
        QCOMPARE(list()->nextItem(), all.at(4));
        QCOMPARE(list()->previousItem(), all.at(1));
        list()->onPlayNextVideo(-1);
        QCOMPARE(found.last().at(0).value<KVVideoItem *>(), all.at(4));
        // The last one removed while playing: next wraps to the first.
        list()->setCurrentItem(all.at(4));
        list()->removeItem(all.at(4));
        QCOMPARE(list()->nextItem(), all.at(0));
        QCOMPARE(list()->previousItem(), all.at(1));
    }

    // The threaded build over 2,000 files: signals in order, at most 365
    // progress values, every signal and the hand-over on the GUI thread, and
    // the previous lists untouched until the new ones arrive.
    void threadedBuildHandsOverOnGuiThread()
    {
        const QString old = smallCard(QStringLiteral("old"), {"NORM210101-000000"});
        list()->buildFolderNow(old);
        const QList<KVVideoItem *> before = list()->visibleItems();
        QCOMPARE(before.size(), 1);
        QPointer<KVVideoItem> oldItem = before.at(0);

        const QString dir = KVTest::makeTempDir(QStringLiteral("card"));
        QCOMPARE(KVFixture::writeCard(dir, 1000), 2000);

        QStringList events;
        QList<int> progress;
        bool offGuiThread = false;
        bool listChangedEarly = false;
        QObject receiver;
        auto note = [&](const QString &what) {
            events << what;
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                offGuiThread = true;
        };
        connect(list(), &KVVideoFileList::listUpdateStarted, &receiver,
            [&](bool loading) { note(loading ? "started(true)" : "started(false)"); });
        connect(list(), &KVVideoFileList::listUpdateEnd, &receiver,
            [&](bool loading) { note(loading ? "end(true)" : "end(false)"); });
        connect(list(), &KVVideoFileList::updateProgress, &receiver, [&](int value) {
            note(QStringLiteral("progress"));
            progress << value;
            if (list()->visibleItems() != before || oldItem.isNull())
                listChangedEarly = true;
        });

        // The scan too runs on the loader's thread: loadFolder returns at
        // once, and the recent folder is stored before the build reports.
        connect(list(), &KVVideoFileList::listUpdateStarted, &receiver, [&](bool loading) {
            if (loading && KVSettings::instance()->recentPath() != dir)
                events << QStringLiteral("recent folder not stored yet");
        });
        list()->loadFolder(dir);
        QVERIFY(events.isEmpty());
        // (stored by the loader through the event loop, which has not run)
        QVERIFY(KVSettings::instance()->recentPath() != dir);
        QTRY_VERIFY_WITH_TIMEOUT(events.contains("end(true)"), 60000);
        QCOMPARE(KVSettings::instance()->recentPath(), dir);
        QVERIFY2(!events.contains("recent folder not stored yet"), qPrintable(events.join(',')));

        QVERIFY(!offGuiThread);
        QVERIFY(!listChangedEarly);
        QCOMPARE(events.first(), QStringLiteral("started(true)"));
        QCOMPARE(events.mid(events.size() - 3),
            (QStringList{"started(false)", "end(false)", "end(true)"}));
        QCOMPARE(events.count("progress"), progress.size());
        QVERIFY(progress.size() <= 365);
        QVERIFY(progress.size() > 300);
        QCOMPARE(progress.last(), 364);
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));
        QCOMPARE(std::adjacent_find(progress.begin(), progress.end()), progress.end());

        const QList<KVVideoItem *> built = list()->allItems();
        QCOMPARE(built.size(), 1000);
        QCOMPARE(list()->filter(), 15);
        for (KVVideoItem *item : built) {
            QCOMPARE(item->thread(), QCoreApplication::instance()->thread());
            QVERIFY(!item->rearPath().isEmpty());
        }
        QVERIFY(std::is_sorted(built.begin(), built.end(),
            [](KVVideoItem *a, KVVideoItem *b) { return a->start() < b->start(); }));
        // Nothing held the old item: it is released.
        QTRY_VERIFY(oldItem.isNull());

        // A folder without recordings changes nothing and sends nothing.
        events.clear();
        const QString empty = KVTest::makeTempDir(QStringLiteral("empty"));
        QVERIFY(tiny(empty + QStringLiteral("/notes.mp4")));
        QSignalSpy nothing(list(), &KVVideoFileList::buildFoundNothing);
        list()->loadFolder(empty);
        QVERIFY(nothing.wait(10000));
        QCOMPARE(nothing.first().first().toString(), empty);
        QTest::qWait(50);
        QVERIFY(events.isEmpty());
        QCOMPARE(KVSettings::instance()->recentPath(), dir);
        QCOMPARE(list()->allItems().size(), 1000);
    }

    // Items of a previous build live as long as someone holds a reference
    // (the player's item, the current item) and are released afterwards.
    void itemLifetimeAcrossRebuild()
    {
        const QString first = smallCard(QStringLiteral("life1"),
            {"NORM210101-000000", "EVEN210101-000100", "PARK210101-000200", "MANU210101-000300"});
        list()->buildFolderNow(first);
        const QList<KVVideoItem *> items = list()->allItems();
        QPointer<KVVideoItem> held = items.at(0);
        QPointer<KVVideoItem> dropped = items.at(1);
        QPointer<KVVideoItem> current = items.at(2);
        QPointer<KVVideoItem> removed = items.at(3);
        KVVideoItemRef playerRef = list()->ref(items.at(0));
        QVERIFY(playerRef);
        list()->setCurrentItem(items.at(2));
        list()->removeItem(items.at(3));
        QTest::qWait(20);
        QVERIFY(!removed.isNull()); // unlinked items live until the next build
        QVERIFY(!current.isNull());

        // The signals of the next build still see the old items alive.
        bool aliveAtEnd = false;
        QObject receiver;
        connect(list(), &KVVideoFileList::listUpdateEnd, &receiver, [&](bool loading) {
            if (loading)
                aliveAtEnd = !dropped.isNull() && !removed.isNull();
        });
        const QString second = smallCard(QStringLiteral("life2"), {"NORM210202-000000"});
        list()->buildFolderNow(second);
        QVERIFY(aliveAtEnd);
        QVERIFY(!list()->currentItem());
        QTRY_VERIFY(dropped.isNull());
        QTRY_VERIFY(removed.isNull());
        QTRY_VERIFY(current.isNull());
        QVERIFY(!held.isNull());
        QCOMPARE(held->type(), 0);
        QCOMPARE(held->rearPath(), first + QStringLiteral("/NORM210101-000000R.mp4"));
        playerRef.reset();
        QTRY_VERIFY(held.isNull());
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
