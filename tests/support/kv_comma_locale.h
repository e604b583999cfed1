#pragma once
// A locale that writes decimals with a comma (German), for checks that
// numbers written for files and FFmpeg do not follow the user's locale.
// The locale is compiled once per test process into a temporary folder
// with the C library's localedef (its sources come with Debian's locales
// package) and found through LOCPATH.

#include <QString>

namespace KVTest
{

// The locale's name for setlocale and LC_ALL ("de_DE.UTF-8"), or empty
// with *why set when it cannot be made. Sets LOCPATH for this process and
// the processes it starts.
QString commaLocale(QString *why);

// Sets the numeric locale of the calling process for its lifetime and puts
// "C" back at its end.
class CommaNumbers
{
public:
    CommaNumbers();
    ~CommaNumbers();
    CommaNumbers(const CommaNumbers &) = delete;
    CommaNumbers &operator=(const CommaNumbers &) = delete;
    bool isActive() const { return _active; }
    QString why() const { return _why; }

private:
    bool _active = false;
    QString _why;
};

} // namespace KVTest
