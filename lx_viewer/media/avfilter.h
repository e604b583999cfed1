#pragma once
// A libavfilter video graph run on a player's frames, for example
// "format=pix_fmts=rgb24,hflip,vflip" or
// "format=pix_fmts=rgb24,eq=brightness=0.200:contrast=1.500".
//
// The graph (buffer -> options -> buffersink) runs on the player's video
// decoder thread and is rebuilt there when the options or the frame format
// change. Several filters on one player run in installation order; a filter
// that fails to build is skipped (frames pass unchanged) and the player
// emits error(FilterError) once per options text. A changed filter shows on
// a paused picture after the player seeks to that picture again.
//
// Thread: every member on the GUI thread. The decoder thread only ever sees
// copies of the options (the object may be deleted at any time; its
// destructor uninstalls it).

#include <QObject>
#include <QString>

namespace kvm
{

class AVPlayer;

class LibAVFilterVideo : public QObject
{
    Q_OBJECT
public:
    explicit LibAVFilterVideo(QObject *parent = nullptr);
    ~LibAVFilterVideo() override;

    // Appends this filter to the player's chain (moving it from another
    // player first). False when player is null.
    bool installTo(AVPlayer *player);
    bool uninstall();
    bool isInstalled() const { return _player != nullptr; }
    AVPlayer *player() const { return _player; }

    void setOptions(const QString &graph);
    QString options() const { return _options; }

    void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }

    // A process-unique id the decoder uses to keep the graph of this filter.
    quint64 filterId() const { return _id; }

signals:
    void optionsChanged();

private:
    AVPlayer *_player = nullptr;
    QString _options;
    bool _enabled = true;
    quint64 _id;
};

} // namespace kvm
