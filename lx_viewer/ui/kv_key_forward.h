#pragma once
// Where the windows hand their keys: the application key handler (it tracks
// the held seek keys) is installed here by the player side when it exists;
// until then keys go nowhere and no key counts as held. Auto-repeated key
// events are never handed on.
//
// Thread: GUI thread only.

#include <functional>

class QKeyEvent;

namespace KVKeyForward
{

struct Handler {
    std::function<void(int key)> pressed;
    std::function<void(int key)> released;
    std::function<bool()> isKeyHeld;
    // Ends the held key as its release would.
    std::function<void()> releaseHeld;
};

// Replaces the handler (an empty Handler disconnects it).
void setHandler(const Handler &handler);

// Hand a key event's key to the handler unless it is an auto-repeat.
void keyPress(const QKeyEvent *event);
void keyRelease(const QKeyEvent *event);

// The window lost the keyboard (a modal pop-up blocks it, or another
// window became active) while a key may be down: the release goes elsewhere
// and never comes back, so the held key ends here.
void releaseHeldKey();

// True while the handler reports a held key (full screen, capture, report
// and list moves wait for it).
bool isKeyHeld();

} // namespace KVKeyForward
