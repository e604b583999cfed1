#pragma once
// Points the viewer's recent folder ("/PATH" "/RECENT" of conf.ini, the
// folder the viewer opens its folder picker in) at a folder, but only while
// the viewer has none stored: a user's own choice is never replaced.
//
// Thread: the main thread (uses the viewer's settings store).

#include <QString>

namespace kvmk
{

enum class RecentResult { Written, AlreadySet, Failed };

RecentResult setRecentFolderIfUnset(const QString &folder, QString *error);

} // namespace kvmk
