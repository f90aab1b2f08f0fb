// The entries of an open POSIX directory stream, for the platform's own
// listings.
#pragma once

#include <cerrno>
#include <string_view>

#include <dirent.h>

namespace brisolt
{

struct TDirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Calls each(entry) for every entry but "." and ".."; 0 at the end, or the
// error that ended the listing.
template <class TEach>
int EachDirEntry(DIR* dir, TEach each)
{
    for (;;)
    {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            return errno;
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            each(*entry);
    }
}

} // namespace brisolt
