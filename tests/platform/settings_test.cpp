#include "platform/files.h"
#include "platform/settings.h"
#include "temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Points the per-user settings at a private folder for the duration of a test.
class Settings : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ::setenv("XDG_CONFIG_HOME", m_dir.file("config").c_str(), 1);
        ::setenv("HOME", m_dir.path().c_str(), 1);
        platform::setHomeDirOverride("");
    }
    vxtest::TempDir m_dir;
};

TEST_F(Settings, HomeDirIsKeptInTheRegistryFile)
{
    EXPECT_EQ(platform::registryFile(), m_dir.file("config/Orvane/registry.ini"));
    EXPECT_EQ(platform::homeDir(), "");
    ASSERT_EQ(platform::setHomeDir("/data/My Vexilo"), 0);
    EXPECT_EQ(platform::homeDir(), "/data/My Vexilo");
    EXPECT_TRUE(platform::fileExists(platform::registryFile()));
    ASSERT_EQ(platform::writeUserValue("Other", "x"), 0);
    EXPECT_EQ(platform::homeDir(), "/data/My Vexilo");
    EXPECT_EQ(platform::readUserValue("other"), "x"); // names ignore case

    platform::setHomeDirOverride(m_dir.path());
    EXPECT_EQ(platform::homeDir(), m_dir.path());
    EXPECT_EQ(platform::dataFilePath("conf.ini"), m_dir.file("conf.ini"));
    platform::setHomeDirOverride("");
    EXPECT_EQ(platform::homeDir(), "/data/My Vexilo");
}

TEST_F(Settings, DefaultDataFolderIsInsideTheDocuments)
{
    const std::string docs = platform::documentsFolder();
    EXPECT_FALSE(docs.empty());
    EXPECT_EQ(platform::defaultHomeDir(), docs + "/My Vexilo");
}

TEST(Paths, JoinNeverDoublesASeparator)
{
    EXPECT_EQ(platform::joinPath("/a", "b.ini"), "/a/b.ini");
    EXPECT_EQ(platform::joinPath("/a/", "b.ini"), "/a/b.ini");
    EXPECT_EQ(platform::joinPath("C:\\x\\", "b.ini"), "C:\\x\\b.ini");
    EXPECT_EQ(platform::joinPath("", "b.ini"), "b.ini");
}

TEST(Paths, ProgramFolderIsTheExecutablesFolder)
{
    platform::setProgramFolder("");
    const std::string folder = platform::programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(platform::isDirectory(folder));
    platform::setProgramFolder("/opt/vexilo");
    EXPECT_EQ(platform::programPath("./res/agent2os.ini"), "/opt/vexilo/./res/agent2os.ini");
    platform::setProgramFolder("");
}

TEST(Paths, TheInstalledLayoutFindsItsDataUnderShare)
{
    vxtest::TempDir dir;
    const std::string prefix = dir.file("usr");
    std::filesystem::create_directories(prefix + "/lib/vexilo");
    std::filesystem::create_directories(prefix + "/share/vexilo/res");
    std::filesystem::create_directories(prefix + "/share/vexilo/manual");
    platform::setProgramFolder(prefix + "/lib/vexilo");
    const std::string programs = prefix + "/lib/vexilo/";
    const std::string shared = programs + "../../share/vexilo/";
    EXPECT_EQ(platform::programPath("./res/agent2os.ini"), shared + "./res/agent2os.ini");
    EXPECT_EQ(platform::programPath("manual/index.html"), shared + "manual/index.html");
    EXPECT_EQ(platform::resFolder(), shared + "./res/");
    EXPECT_EQ(platform::programPath("Sortwell"), programs + "Sortwell");
    // Side by side (the build folder), the program folder's own res/ wins.
    std::filesystem::create_directories(programs + "res");
    EXPECT_EQ(platform::programPath("./res/agent2os.ini"), programs + "./res/agent2os.ini");
    platform::setProgramFolder("");
}

} // namespace
