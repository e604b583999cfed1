#pragma once
// Shared enums and process-wide settings of the playback layer.
//
// Numbering follows the media framework the player core was written for:
// MediaStatus 0..8, SeekType AccurateSeek = 1, MediaEndAction KeepDisplay = 1.
//
// Thread: the enums are plain values. setFrameSkip/frameSkip are atomic and
// may be called from any thread; the decoder threads read the value for
// every decoded frame.

#include <QMetaType>

namespace kvm
{

enum MediaStatus {
    UnknownMediaStatus = 0,
    NoMedia = 1, // no file set, or the file was unset
    LoadingMedia = 2, // load() runs (off the GUI thread)
    LoadedMedia = 3, // load() finished: streams and decoders open
    StalledMedia = 4, // not used by this layer
    BufferingMedia = 5, // playing, waiting for the first picture
    BufferedMedia = 6, // playing with pictures flowing (also after a seek away from the end)
    EndOfMedia = 7, // the last frame (or the fixed duration) was reached
    InvalidMedia = 8 // the file cannot be opened or has no decodable video
};

enum SeekType {
    AccurateSeek = 1, // show the frame at the target (decode forward from the keyframe)
    KeyFrameSeek = 2, // show the keyframe at or before the target
    AnyFrameSeek = 4 // same as KeyFrameSeek here
};

enum MediaEndAction {
    MediaEndAction_Default = 0, // renderers are handed an empty frame at the end
    MediaEndAction_KeepDisplay = 1, // the last frame stays on screen
    MediaEndAction_Pause = 2 // the player pauses on the last frame
};

// Process-wide frame skip: with n > 0 every player shows only one of every n
// decoded frames (counted from the last seek); 0 or less shows all frames.
// Seek targets and the first frame of a load are always shown.
void setFrameSkip(int n);
int frameSkip();

} // namespace kvm

Q_DECLARE_METATYPE(kvm::MediaStatus)
Q_DECLARE_METATYPE(kvm::SeekType)
Q_DECLARE_METATYPE(kvm::MediaEndAction)
