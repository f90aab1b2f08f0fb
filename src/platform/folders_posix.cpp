#include <cerrno>
#include <memory>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/direntries_posix.h"
#include "platform/folders.h"

namespace brisolt
{

int ListSubFolders(const std::filesystem::path& folder, std::vector<std::string>& names)
{
    names.clear();
    std::unique_ptr<DIR, TDirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return errno;
    return EachDirEntry(
        dir.get(),
        [&](const dirent& entry)
        {
            // The listing tells most kinds itself; a link, or a file system
            // that does not tell, needs a look at what the name leads to.
            bool isFolder = entry.d_type == DT_DIR;
            if (entry.d_type == DT_LNK || entry.d_type == DT_UNKNOWN)
            {
                struct stat st
                {
                };

                isFolder = ::fstatat(::dirfd(dir.get()), entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            }
            if (isFolder)
                names.emplace_back(entry.d_name);
        });
}

std::string MountTable()
{
    // Its size reads as 0: read to the end.
    const int fd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string table;
    char chunk[16384];
    for (;;)
    {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // a read that fails keeps what was read before
        table.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return table;
}

} // namespace brisolt
