#pragma once
// KVWidgetMap: the web view that shows the map page ":/html/gmap.html"
// (the road map with the recording's track and the car) and runs the page's
// script statements (kv_map_script.h).
//
// The page loads in the background; a statement sent before it has loaded
// is kept and run, in order, as soon as it has. Statements that make older
// ones pointless are folded: a track statement (drawPaths, clearPath) drops
// everything queued before it, a car statement (moveToMap, clearCarMarker)
// drops the car statements queued since the last track statement, so the
// queue stays a few statements long however long the page takes.
//
// Without a network the page shows the track and the car on its plain
// background; the tiles are asked for only after the page has loaded, so a
// missing network never delays it.
//
// The page's process can end under it (killed when memory runs short, or a
// crash): the view would stay blank for the rest of the session. The page is
// loaded again then, and what it showed (the last track statement and the
// car statements since) is run on it once more; a page that keeps dying is
// given up after a few tries.
//
// Thread: GUI thread only.

#include <QStringList>
#include <QWebEngineView>

class KVWidgetMap : public QWebEngineView
{
    Q_OBJECT
public:
    static constexpr int kWidth = 392;
    static constexpr int kHeight = 274;

    explicit KVWidgetMap(QWidget *parent = nullptr);
    ~KVWidgetMap() override;

    // Loads the map page; statements sent afterwards wait for it.
    void loadPage();
    // Runs one statement in the page now, or once the page has loaded.
    void runScript(const QString &code);

    bool isPageLoaded() const { return _loaded; }
    // How often the page was loaded again after its process ended.
    int pageRestarts() const { return _restarts; }
    static constexpr int kMaxRestarts = 5;
    // The statements waiting for the page (in the order they will run).
    QStringList pendingScripts() const { return _pending; }
    // The map as shown, at the widget's size (for the report).
    QPixmap snapshot();

signals:
    // The page has loaded (ok) or failed to; the queue has been run.
    void pageReady(bool ok);

private:
    void onLoadFinished(bool ok);
    void onPageProcessEnded();
    // Folds code into list: a track statement replaces everything, a car
    // statement the car statements since the last track statement.
    static void fold(QStringList *list, const QString &code);

    bool _loaded = false;
    QStringList _pending;
    QStringList _shown; // what the page was told, folded
    int _restarts = 0;
};
