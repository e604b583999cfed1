#include "kv_mkcard_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>

namespace kvmk
{

namespace
{

// The text encoder takes ASS events; its style table comes from this header
// and ends up in the track's "tx3g" sample description.
const char kAssHeader[] = "[Script Info]\r\n"
                          "ScriptType: v4.00+\r\n"
                          "PlayResX: 384\r\n"
                          "PlayResY: 288\r\n"
                          "\r\n"
                          "[V4+ Styles]\r\n"
                          "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
                          "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, "
                          "ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
                          "MarginL, MarginR, MarginV, Encoding\r\n"
                          "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,"
                          "1,1,0,2,10,10,10,1\r\n"
                          "\r\n"
                          "[Events]\r\n"
                          "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, "
                          "Effect, Text\r\n";

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

RecordingWriter::~RecordingWriter()
{
    close();
}

bool RecordingWriter::fail(const QString &what, int code)
{
    if (_error.isEmpty())
        _error = code ? what + QStringLiteral(": ") + avError(code) : what;
    return false;
}

bool RecordingWriter::open(const QString &path, int width, int height, int fps)
{
    const QByteArray name = path.toUtf8();
    int rc = avformat_alloc_output_context2(&_format, nullptr, "mp4", name.constData());
    if (rc < 0 || !_format)
        return fail(QStringLiteral("cannot set up the MP4 muxer"), rc);
    _packet = av_packet_alloc();
    if (!_packet)
        return fail(QStringLiteral("out of memory"));
    if (!openVideo(width, height, fps) || !openAudio() || !openText())
        return false;
    rc = avio_open(&_format->pb, name.constData(), AVIO_FLAG_WRITE);
    if (rc < 0)
        return fail(QStringLiteral("cannot create %1").arg(path), rc);
    rc = avformat_write_header(_format, nullptr);
    if (rc < 0)
        return fail(QStringLiteral("cannot write the header of %1").arg(path), rc);
    _headerWritten = true;
    return true;
}

bool RecordingWriter::openVideo(int width, int height, int fps)
{
    const AVCodec *codec = avcodec_find_encoder_by_name("libx264");
    if (!codec)
        return fail(QStringLiteral("this FFmpeg has no libx264 encoder"));
    _video = avcodec_alloc_context3(codec);
    _videoStream = avformat_new_stream(_format, nullptr);
    _picture = av_frame_alloc();
    if (!_video || !_videoStream || !_picture)
        return fail(QStringLiteral("out of memory"));
    _video->width = width;
    _video->height = height;
    _video->pix_fmt = AV_PIX_FMT_YUV420P;
    _video->time_base = AVRational{1, fps};
    _video->framerate = AVRational{fps, 1};
    // A recorder's stream: IPPP with a keyframe every second.
    _video->gop_size = fps;
    _video->keyint_min = fps;
    _video->max_b_frames = 0;
    if (_format->oformat->flags & AVFMT_GLOBALHEADER)
        _video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "preset", "ultrafast", 0);
    av_dict_set(&options, "crf", "30", 0);
    av_dict_set(&options, "x264-params", "scenecut=0", 0);
    const int rc = avcodec_open2(_video, codec, &options);
    av_dict_free(&options);
    if (rc < 0)
        return fail(QStringLiteral("cannot open the H.264 encoder"), rc);
    avcodec_parameters_from_context(_videoStream->codecpar, _video);
    _videoStream->time_base = _video->time_base;
    _videoStream->avg_frame_rate = _video->framerate;

    _picture->format = AV_PIX_FMT_YUV420P;
    _picture->width = width;
    _picture->height = height;
    if (const int fr = av_frame_get_buffer(_picture, 0); fr < 0)
        return fail(QStringLiteral("cannot allocate a picture"), fr);
    return true;
}

bool RecordingWriter::openAudio()
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        return fail(QStringLiteral("this FFmpeg has no AAC encoder"));
    _audio = avcodec_alloc_context3(codec);
    _audioStream = avformat_new_stream(_format, nullptr);
    _sound = av_frame_alloc();
    if (!_audio || !_audioStream || !_sound)
        return fail(QStringLiteral("out of memory"));
    _audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    _audio->sample_rate = kAudioRate;
    _audio->time_base = AVRational{1, kAudioRate};
    _audio->bit_rate = 64000;
    av_channel_layout_default(&_audio->ch_layout, 1);
    if (_format->oformat->flags & AVFMT_GLOBALHEADER)
        _audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "aac_coder", "fast", 0); // the default search is slow
    const int opened = avcodec_open2(_audio, codec, &options);
    av_dict_free(&options);
    if (const int rc = opened; rc < 0)
        return fail(QStringLiteral("cannot open the AAC encoder"), rc);
    avcodec_parameters_from_context(_audioStream->codecpar, _audio);
    _audioStream->time_base = _audio->time_base;

    _sound->format = AV_SAMPLE_FMT_FLTP;
    _sound->sample_rate = kAudioRate;
    _sound->nb_samples = _audio->frame_size;
    av_channel_layout_default(&_sound->ch_layout, 1);
    if (const int rc = av_frame_get_buffer(_sound, 0); rc < 0)
        return fail(QStringLiteral("cannot allocate an audio frame"), rc);
    return true;
}

bool RecordingWriter::openText()
{
    const AVCodec *codec = avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
    if (!codec)
        return fail(QStringLiteral("this FFmpeg has no mov_text encoder"));
    _text = avcodec_alloc_context3(codec);
    _textStream = avformat_new_stream(_format, nullptr);
    if (!_text || !_textStream)
        return fail(QStringLiteral("out of memory"));
    _text->time_base = AVRational{1, 1000};
    _text->subtitle_header = static_cast<uint8_t *>(av_mallocz(sizeof kAssHeader));
    if (!_text->subtitle_header)
        return fail(QStringLiteral("out of memory"));
    std::memcpy(_text->subtitle_header, kAssHeader, sizeof kAssHeader);
    _text->subtitle_header_size = sizeof kAssHeader - 1;
    if (const int rc = avcodec_open2(_text, codec, nullptr); rc < 0)
        return fail(QStringLiteral("cannot open the mov_text encoder"), rc);
    avcodec_parameters_from_context(_textStream->codecpar, _text);
    // Microseconds, as FFmpeg's own program muxes text: with a millisecond
    // track the muxer puts an empty sample between back-to-back cues.
    _textStream->time_base = AVRational{1, 1000000};
    return true;
}

AVFrame *RecordingWriter::frame()
{
    // The encoder may still hold the previous picture.
    if (_picture && av_frame_make_writable(_picture) < 0) {
        fail(QStringLiteral("cannot get a writable picture"));
        return nullptr;
    }
    return _picture;
}

bool RecordingWriter::writeVideoFrame()
{
    if (!_headerWritten || _finished)
        return fail(QStringLiteral("writer is not open"));
    _picture->pts = _framesWritten++;
    return drain(_video, _videoStream, _picture);
}

bool RecordingWriter::writeAudio(const float *samples, int count)
{
    if (!_headerWritten || _finished)
        return fail(QStringLiteral("writer is not open"));
    while (count > 0) {
        if (av_frame_make_writable(_sound) < 0)
            return fail(QStringLiteral("cannot get a writable audio frame"));
        const int take = std::min(count, _audio->frame_size - _soundFill);
        auto *plane = reinterpret_cast<float *>(_sound->data[0]);
        std::copy(samples, samples + take, plane + _soundFill);
        _soundFill += take;
        samples += take;
        count -= take;
        if (_soundFill == _audio->frame_size && !encodeAudioFrame(_soundFill))
            return false;
    }
    return true;
}

bool RecordingWriter::encodeAudioFrame(int samples)
{
    _sound->nb_samples = samples;
    _sound->pts = _samplesWritten;
    _samplesWritten += samples;
    _soundFill = 0;
    return drain(_audio, _audioStream, _sound);
}

bool RecordingWriter::writeText(const std::string &text, int64_t startMs, int64_t durationMs)
{
    if (!_headerWritten || _finished)
        return fail(QStringLiteral("writer is not open"));
    // An ASS event: ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text.
    const std::string event = "0,0,Default,,0,0,0,," + text;
    AVSubtitleRect rect{};
    rect.type = SUBTITLE_ASS;
    rect.ass = const_cast<char *>(event.c_str());
    AVSubtitleRect *rects[1] = {&rect};
    AVSubtitle subtitle{};
    subtitle.num_rects = 1;
    subtitle.rects = rects;
    subtitle.start_display_time = 0;
    subtitle.end_display_time = static_cast<uint32_t>(durationMs);
    subtitle.pts = av_rescale_q(startMs, AVRational{1, 1000}, AV_TIME_BASE_Q);

    const int capacity = static_cast<int>(text.size()) + 1024;
    if (av_new_packet(_packet, capacity) < 0)
        return fail(QStringLiteral("out of memory"));
    const int size = avcodec_encode_subtitle(_text, _packet->data, capacity, &subtitle);
    if (size < 0) {
        av_packet_unref(_packet);
        return fail(QStringLiteral("cannot encode a text sample"), size);
    }
    av_shrink_packet(_packet, size);
    _packet->pts = startMs;
    _packet->dts = startMs;
    _packet->duration = durationMs;
    _packet->flags |= AV_PKT_FLAG_KEY;
    return writePacket(_packet, _text, _textStream);
}

bool RecordingWriter::drain(AVCodecContext *codec, AVStream *stream, AVFrame *input)
{
    int rc = avcodec_send_frame(codec, input);
    if (rc < 0)
        return fail(QStringLiteral("encoder refused a frame"), rc);
    for (;;) {
        rc = avcodec_receive_packet(codec, _packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return true;
        if (rc < 0)
            return fail(QStringLiteral("encoding failed"), rc);
        if (!writePacket(_packet, codec, stream))
            return false;
    }
}

bool RecordingWriter::writePacket(AVPacket *packet, AVCodecContext *codec, AVStream *stream)
{
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    const int rc = av_interleaved_write_frame(_format, packet); // takes the packet's data
    if (rc < 0)
        return fail(QStringLiteral("cannot write to the file"), rc);
    return true;
}

bool RecordingWriter::finish()
{
    if (!_headerWritten || _finished)
        return fail(QStringLiteral("writer is not open"));
    if (_soundFill > 0 && !encodeAudioFrame(_soundFill))
        return false;
    if (!drain(_video, _videoStream, nullptr) || !drain(_audio, _audioStream, nullptr))
        return false;
    _finished = true;
    const int rc = av_write_trailer(_format);
    if (rc < 0)
        return fail(QStringLiteral("cannot finish the file"), rc);
    const int closed = avio_closep(&_format->pb);
    if (closed < 0)
        return fail(QStringLiteral("cannot close the file"), closed);
    return true;
}

void RecordingWriter::close()
{
    if (_format && _format->pb)
        avio_closep(&_format->pb);
    avformat_free_context(_format);
    _format = nullptr;
    avcodec_free_context(&_video);
    avcodec_free_context(&_audio);
    avcodec_free_context(&_text);
    av_frame_free(&_picture);
    av_frame_free(&_sound);
    av_packet_free(&_packet);
}

} // namespace kvmk
