#include "filtergraph.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
}

#include "averror.h"
#include "cnumeric.h"
#include "colormatrix.h"

namespace kvm
{

FilterGraph::~FilterGraph()
{
    release();
}

void FilterGraph::release()
{
    if (_graph)
        avfilter_graph_free(&_graph);
    _graph = nullptr;
    _src = nullptr;
    _sink = nullptr;
}

bool FilterGraph::build(const QString &options, const AVFrame *frame, QString *why)
{
    // The filters read their numbers ("eq=brightness=0.200") with the C
    // library, which in a German locale stops at the point.
    const CNumericScope cNumbers;
    release();
    _options = options;
    _w = frame->width;
    _h = frame->height;
    _format = frame->format;
    _failed = true;

    _graph = avfilter_graph_alloc();
    if (!_graph) {
        *why = QStringLiteral("out of memory");
        return false;
    }
    _graph->nb_threads = 1;
    const AVRational sar
        = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : AVRational{1, 1};
    const QByteArray args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/1000:"
                                           "pixel_aspect=%4/%5")
                                .arg(_w)
                                .arg(_h)
                                .arg(_format)
                                .arg(sar.num)
                                .arg(sar.den)
                                .toLatin1();
    int ret = avfilter_graph_create_filter(
        &_src, avfilter_get_by_name("buffer"), "in", args.constData(), nullptr, _graph);
    if (ret >= 0)
        ret = avfilter_graph_create_filter(
            &_sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, _graph);
    if (ret < 0) {
        *why = AVError::ffmpegErrorString(ret);
        release();
        return false;
    }
    AVFilterInOut *outputs = avfilter_inout_alloc();
    AVFilterInOut *inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = _src;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = _sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    const QByteArray text = options.trimmed().isEmpty() ? QByteArray("null") : options.toUtf8();
    ret = avfilter_graph_parse_ptr(_graph, text.constData(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (ret >= 0)
        ret = avfilter_graph_config(_graph, nullptr);
    if (ret < 0) {
        *why = QStringLiteral("\"") + options + QStringLiteral("\": ")
            + AVError::ffmpegErrorString(ret);
        release();
        return false;
    }
    _failed = false;
    return true;
}

AVFrame *FilterGraph::run(const QString &options, const AVFrame *frame, QString *why)
{
    const bool same = options == _options && frame->width == _w && frame->height == _h
        && frame->format == _format;
    if (!same) {
        if (!build(options, frame, why))
            return nullptr;
    } else if (_failed || !_graph) {
        return nullptr;
    }
    AVFrame *in = av_frame_clone(frame);
    if (!in)
        return nullptr;
    in->pts = AV_NOPTS_VALUE; // the time stamp travels beside the frame
    // An untagged frame gets the matrix the renderers take for it, so the
    // graph's conversion to RGB (and back) shows the same colours.
    if (in->colorspace == AVCOL_SPC_UNSPECIFIED && isYuvFormat(in->format))
        in->colorspace = yuvStandardOf(in).space;
    int ret = av_buffersrc_add_frame_flags(_src, in, AV_BUFFERSRC_FLAG_KEEP_REF);
    av_frame_free(&in);
    if (ret < 0) {
        *why = AVError::ffmpegErrorString(ret);
        return nullptr;
    }
    AVFrame *out = av_frame_alloc();
    ret = av_buffersink_get_frame(_sink, out);
    if (ret < 0) {
        av_frame_free(&out);
        return nullptr;
    }
    // YUV the graph made from RGB (the equaliser after rgb24) is untagged and
    // has swscale's BT.601 matrix; untagged input was tagged above.
    if (out->colorspace == AVCOL_SPC_UNSPECIFIED && isYuvFormat(out->format))
        out->colorspace = AVCOL_SPC_BT470BG;
    return out;
}

} // namespace kvm
