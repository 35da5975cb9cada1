#include "platform/core/RegularFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

class RegularFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() / ("regular-file-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder);
        std::ofstream(path("file.bin"), std::ios::binary) << "twelve bytes";
        ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
        std::filesystem::create_symlink(path("file.bin"), path("link"));
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string path(const std::string& name) const { return (m_folder / name).string(); }

    std::filesystem::path m_folder;
};

TEST_F(RegularFileTest, OnlyARegularFileOrALinkToOneIsOpened)
{
    struct Case {
        std::string name;
        bool opens;
        int error;
    };
    // A named pipe with no writer would block an ordinary open for ever: the test would hang.
    for (const Case& c : {Case{"file.bin", true, 0}, Case{"link", true, 0}, Case{"pipe", false, EINVAL},
                          Case{".", false, EINVAL}, Case{"missing", false, ENOENT}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RegularFile::isRegular(path(c.name)), c.opens);
        errno = 0;
        const std::optional<RegularFile> file = RegularFile::open(path(c.name));
        EXPECT_EQ(file.has_value(), c.opens);
        if (!c.opens) {
            EXPECT_EQ(errno, c.error);
        }
    }
    EXPECT_FALSE(RegularFile::open("/dev/zero"));
}

TEST_F(RegularFileTest, TheHeadHoldsWhatTheFileHoldsUpToTheBound)
{
    const std::string text = "twelve bytes";
    EXPECT_EQ(RegularFile::readHead(path("file.bin"), 1 << 24), std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(RegularFile::readHead(path("file.bin"), 3), std::vector<uint8_t>({'t', 'w', 'e'}));
    EXPECT_FALSE(RegularFile::readHead(path("pipe"), 16));
    std::optional<RegularFile> file = RegularFile::open(path("file.bin"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 12u);
    char buffer[32];
    EXPECT_EQ(file->read(buffer, sizeof buffer), 12u);
    EXPECT_EQ(file->read(buffer, sizeof buffer), 0u);
}

}  // namespace
}  // namespace plat
