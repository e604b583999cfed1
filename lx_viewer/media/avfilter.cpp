#include "avfilter.h"

#include "avplayer.h"

#include <atomic>

namespace kvm
{

namespace
{
std::atomic<quint64> g_nextFilterId{1};
}

LibAVFilterVideo::LibAVFilterVideo(QObject *parent)
    : QObject(parent), _id(g_nextFilterId.fetch_add(1))
{
}

LibAVFilterVideo::~LibAVFilterVideo()
{
    uninstall();
}

bool LibAVFilterVideo::installTo(AVPlayer *player)
{
    if (!player)
        return false;
    if (_player == player)
        return true;
    uninstall();
    _player = player;
    player->installFilter(this);
    return true;
}

bool LibAVFilterVideo::uninstall()
{
    if (!_player)
        return false;
    AVPlayer *p = _player;
    _player = nullptr;
    p->uninstallFilter(this);
    return true;
}

void LibAVFilterVideo::setOptions(const QString &graph)
{
    if (graph == _options)
        return;
    _options = graph;
    if (_player)
        _player->filterOptionsChanged();
    emit optionsChanged();
}

void LibAVFilterVideo::setEnabled(bool enabled)
{
    if (enabled == _enabled)
        return;
    _enabled = enabled;
    if (_player)
        _player->filterOptionsChanged();
}

} // namespace kvm
