#pragma once
// KVVerifiedCopy: copies one file so that the final name only ever holds a
// complete, checked copy. The bytes go to a temporary file in the target's
// folder and are synced; its size and SHA-256 are compared with the
// source's, read back from the device rather than from the cache, and only
// then is it renamed to the final name (replacing an existing file only when
// asked to) and the folder synced. A failed copy leaves nothing behind.
//
// Thread: any; no shared state.

#include <QString>

#include <functional>

class KVVerifiedCopy
{
public:
    enum Failure {
        FAILURE_NONE = 0,
        FAILURE_SOURCE_UNREADABLE = 1, // source missing, not readable, or its reading broke off
        FAILURE_TARGET_UNWRITABLE = 2, // no file can be made in the target folder
        FAILURE_WRITE = 3, // writing broke off (disk full, I/O error)
        FAILURE_VERIFY = 4, // the copy's size or SHA-256 differs from the source
        FAILURE_RENAME = 5, // the checked copy could not take the final name
        FAILURE_TARGET_EXISTS = 6, // the target exists and may not be replaced
        FAILURE_STOPPED = 7, // stopped on request before the end
    };
    struct Result {
        Failure failure = FAILURE_NONE;
        QString detail; // the system's error text, for the log and the user
        bool ok() const { return failure == FAILURE_NONE; }
    };

    // stopRequested, when given, is asked before every chunk read or
    // checked (the calling thread); once it answers true the copy ends with
    // FAILURE_STOPPED and leaves nothing behind.
    static Result copy(const QString &source, const QString &target, bool replace,
        const std::function<bool()> &stopRequested = {});
    // Whether anything stands under the name, a link leading nowhere included.
    static bool targetTaken(const QString &target);

private:
    // Writes the folder's entries to the device; the system's error text,
    // or empty when done (or when the file system cannot sync folders, or
    // the folder may be written but not read).
    static QString syncFolder(const QString &folder);
};
