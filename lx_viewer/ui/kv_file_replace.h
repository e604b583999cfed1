#pragma once
// Moving a finished file to the name the user chose, replacing a file of
// that name only once the new one is complete and on the disk: a rename
// where both lie on one file system (the old file is replaced in one step),
// otherwise a copy under a temporary name of its own next to the target that
// is then renamed over it. A failed move leaves the target as it was and the
// source where it was.
//
// Thread: any (plain file operations).

#include <QString>

namespace KVFileReplace
{

// Moves from to to; false with the reason in *error when it failed.
bool move(const QString &from, const QString &to, QString *error = nullptr);

} // namespace KVFileReplace
