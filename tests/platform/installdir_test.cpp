#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/installdir.h"

namespace brisolt
{
namespace
{

// Sets or clears an environment variable for one test and restores it after.
class TEnvironment
{
public:
    TEnvironment(const char* name, const char* value)
        : Name(name)
    {
        if (const char* old = std::getenv(name))
            Old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }

    ~TEnvironment()
    {
        if (Old)
            ::setenv(Name, Old->c_str(), 1);
        else
            ::unsetenv(Name);
    }

    TEnvironment(const TEnvironment&) = delete;
    TEnvironment& operator=(const TEnvironment&) = delete;

private:
    const char* Name;
    std::optional<std::string> Old;
};

TEST(InstallDir, ValueGetsASeparator)
{
    const TEnvironment dir(kInstallDirVariable, "/opt/brisolt");
    EXPECT_EQ(ReadInstallDir(), "/opt/brisolt/");
}

TEST(InstallDir, SeparatorIsAddedEvenAfterOne)
{
    const TEnvironment dir(kInstallDirVariable, "/opt/brisolt/");
    EXPECT_EQ(ReadInstallDir(), "/opt/brisolt//");
}

TEST(InstallDir, WithoutValueTheConfigurationFolder)
{
    const TEnvironment config("XDG_CONFIG_HOME", "/home/u/cfg");
    const TEnvironment home("HOME", "/home/u");
    {
        const TEnvironment dir(kInstallDirVariable, nullptr);
        EXPECT_EQ(ReadInstallDir(), "/home/u/cfg/brisolt/");
    }
    {
        const TEnvironment dir(kInstallDirVariable, "");
        EXPECT_EQ(ReadInstallDir(), "/home/u/cfg/brisolt/") << "an empty value counts as none";
    }
}

TEST(InstallDir, WithoutConfigurationVariableTheHomeConfigFolder)
{
    const TEnvironment dir(kInstallDirVariable, nullptr);
    const TEnvironment home("HOME", "/home/u");
    {
        const TEnvironment config("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(ReadInstallDir(), "/home/u/.config/brisolt/");
    }
    {
        const TEnvironment config("XDG_CONFIG_HOME", "relative/cfg");
        EXPECT_EQ(ReadInstallDir(), "/home/u/.config/brisolt/") << "relative values are invalid";
    }
}

TEST(InstallDir, WithoutHomeThePasswordDatabase)
{
    const TEnvironment dir(kInstallDirVariable, nullptr);
    const TEnvironment config("XDG_CONFIG_HOME", nullptr);
    const TEnvironment home("HOME", nullptr);
    const std::string result = ReadInstallDir();
    EXPECT_EQ(result.front(), '/') << result;
    EXPECT_TRUE(result.ends_with("/.config/brisolt/")) << result;
}

} // namespace
} // namespace brisolt
