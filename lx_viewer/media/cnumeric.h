#pragma once
// CNumericScope: for its lifetime the calling thread reads and writes
// numbers the C way ("0.5"), whatever the user's locale says ("0,5" in
// German). FFmpeg parses filter options, and libraries write file formats,
// with the C library's locale-dependent number functions; Qt's own number
// texts do not depend on it. Other threads are not affected.
//
// Thread: any; the scope belongs to the thread that made it.

#include <locale.h>

namespace kvm
{

class CNumericScope
{
public:
    CNumericScope()
    {
        // The thread's other categories (text, dates) stay as they were.
        const locale_t base = ::duplocale(LC_GLOBAL_LOCALE);
        if (!base)
            return;
        _c = ::newlocale(LC_NUMERIC_MASK, "C", base);
        if (!_c) {
            ::freelocale(base);
            return;
        }
        _previous = ::uselocale(_c);
    }
    ~CNumericScope()
    {
        if (!_c)
            return;
        ::uselocale(_previous);
        ::freelocale(_c);
    }
    CNumericScope(const CNumericScope &) = delete;
    CNumericScope &operator=(const CNumericScope &) = delete;

private:
    locale_t _c = nullptr;
    locale_t _previous = nullptr;
};

} // namespace kvm
