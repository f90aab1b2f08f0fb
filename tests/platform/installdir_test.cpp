#include <string>

#include <gtest/gtest.h>

#include "platform/installdir.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::TEnvironment;

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

TEST(InstallDir, ValueGetsASeparator)
{
    const TEnvironment dir(kInstallDirVariable, "/opt/brisolt");
    EXPECT_EQ(ReadInstallDir(), std::string("/opt/brisolt") + kSeparator);
}

TEST(InstallDir, SeparatorIsAddedEvenAfterOne)
{
    const TEnvironment dir(kInstallDirVariable, "/opt/brisolt/");
    EXPECT_EQ(ReadInstallDir(), std::string("/opt/brisolt/") + kSeparator);
}

TEST(InstallDir, WithoutValueTheConfigurationFolder)
{
    BRISOLT_LINUX_ONLY("XDG_CONFIG_HOME, HOME and the password database");
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
    BRISOLT_LINUX_ONLY("XDG_CONFIG_HOME, HOME and the password database");
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
    BRISOLT_LINUX_ONLY("XDG_CONFIG_HOME, HOME and the password database");
    const TEnvironment dir(kInstallDirVariable, nullptr);
    const TEnvironment config("XDG_CONFIG_HOME", nullptr);
    const TEnvironment home("HOME", nullptr);
    const std::string result = ReadInstallDir();
    EXPECT_EQ(result.front(), '/') << result;
    EXPECT_TRUE(result.ends_with("/.config/brisolt/")) << result;
}

} // namespace
} // namespace brisolt
