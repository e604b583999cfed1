#pragma once
// One libavfilter graph (buffer -> graph text -> buffersink) for the video
// decoder thread; rebuilt when the graph text or the input format changes.
// Internal to the playback layer.
//
// Thread: owned and used by one video decoder thread only.

#include <QString>

struct AVFilterContext;
struct AVFilterGraph;
struct AVFrame;

namespace kvm
{

class FilterGraph
{
public:
    FilterGraph() = default;
    ~FilterGraph();
    FilterGraph(const FilterGraph &) = delete;
    FilterGraph &operator=(const FilterGraph &) = delete;

    // Runs frame through the graph described by options. Returns a new
    // frame (caller frees it) or nullptr; on a graph error *why is set and
    // the graph is left empty until the options change.
    AVFrame *run(const QString &options, const AVFrame *frame, QString *why);

private:
    bool build(const QString &options, const AVFrame *frame, QString *why);
    void release();

    AVFilterGraph *_graph = nullptr;
    AVFilterContext *_src = nullptr;
    AVFilterContext *_sink = nullptr;
    QString _options;
    int _w = 0, _h = 0, _format = -1;
    bool _failed = false;
};

} // namespace kvm
