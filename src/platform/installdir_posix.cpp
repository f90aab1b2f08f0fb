#include <cstdlib>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "platform/installdir.h"

namespace brisolt
{

namespace
{

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string HomeFolder()
{
    std::string home = Environment("HOME");
    if (!home.empty())
        return home;
    // No HOME (a service, say): the password database knows it.
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return ".";
}

} // namespace

std::string ReadInstallDir()
{
    const std::string value = Environment(kInstallDirVariable);
    if (!value.empty())
        return value + "/";
    // Relative values of XDG_CONFIG_HOME are invalid and ignored.
    const std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/')
        return config + "/brisolt/";
    return HomeFolder() + "/.config/brisolt/";
}

} // namespace brisolt
