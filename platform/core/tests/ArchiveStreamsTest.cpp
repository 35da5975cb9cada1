#include "platform/core/Archive.h"
#include "platform/core/FileError.h"
#include "platform/core/FileStream.h"
#include "platform/core/MemoryStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using plat::FileError;
using plat::FileStream;
namespace fs = std::filesystem;

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/quavix-files-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        m_folder = folder;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    std::string path(const char* name) const { return (m_folder / name).string(); }

    static FileError::Cause causeOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const FileError& e) {
            return e.cause();
        }
        ADD_FAILURE() << "no FileError";
        return FileError::Cause::generic;
    }

    fs::path m_folder;
};

TEST_F(FileStreamTest, ArchiveRoundTripThroughAFileLargerThanTheBuffer)
{
    const std::string file = path("song.qvx");
    const std::string big(200000, 'q');
    {
        FileStream out(file, FileStream::Mode::write);
        plat::Archive ar(out, plat::Archive::Mode::store);
        ar << uint32_t{0xCAFEF00D} << big << 2.5;
        for (uint16_t i = 0; i < 5000; ++i)
            ar << i;
        ar.flush();
        out.close();
    }
    EXPECT_EQ(fs::file_size(file), 4u + 6u + big.size() + 8u + 10000u);

    FileStream in(file, FileStream::Mode::read);
    EXPECT_EQ(in.remaining(), fs::file_size(file));
    plat::Archive ar(in, plat::Archive::Mode::load);
    EXPECT_EQ(ar.readU32(), 0xCAFEF00Du);
    EXPECT_EQ(ar.readString(), big);
    EXPECT_EQ(ar.readDouble(), 2.5);
    for (uint16_t i = 0; i < 5000; ++i)
        ASSERT_EQ(ar.readU16(), i);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_THROW(ar.readU8(), plat::ArchiveError);
}

TEST_F(FileStreamTest, WritingEmptiesAnExistingFile)
{
    const std::string file = path("old.qvx");
    std::ofstream(file) << "a much longer old content";
    {
        FileStream out(file, FileStream::Mode::write);
        out.write("new", 3);
    }
    EXPECT_EQ(fs::file_size(file), 3u);
}

TEST_F(FileStreamTest, FailuresCarryTheirCauseAndPath)
{
    const std::string missing = path("missing.qvx");
    const std::string folder = m_folder.string();
    const std::string underFile = path("plain/child.qvx");
    std::ofstream(path("plain")) << "x";

    struct Case {
        const char* what;
        std::function<void()> action;
        FileError::Cause cause;
    };
    const std::vector<Case> cases = {
        {"missing file", [&] { FileStream(missing, FileStream::Mode::read); }, FileError::Cause::notFound},
        {"missing folder", [&] { FileStream(path("no/such.qvx"), FileStream::Mode::write); }, FileError::Cause::notFound},
        {"file used as a folder", [&] { FileStream(underFile, FileStream::Mode::write); }, FileError::Cause::notFound},
        {"folder read as a file", [&] { FileStream(folder, FileStream::Mode::read); }, FileError::Cause::accessDenied},
        {"folder written as a file", [&] { FileStream(folder, FileStream::Mode::write); }, FileError::Cause::accessDenied},
    };
    for (const Case& c : cases)
        EXPECT_EQ(causeOf(c.action), c.cause) << c.what;

    try {
        FileStream stream(missing, FileStream::Mode::read);
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), missing);
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
}

TEST_F(FileStreamTest, AnOpenFileIsLockedAgainstOtherStreams)
{
    const std::string file = path("locked.qvx");
    {
        FileStream writer(file, FileStream::Mode::write);
        writer.write("data", 4);
        EXPECT_EQ(causeOf([&] { FileStream(file, FileStream::Mode::read); }), FileError::Cause::locked);
        EXPECT_EQ(causeOf([&] { FileStream(file, FileStream::Mode::write); }), FileError::Cause::locked);
    }
    FileStream reader(file, FileStream::Mode::read);
    FileStream secondReader(file, FileStream::Mode::read);  // readers share
    EXPECT_EQ(causeOf([&] { FileStream(file, FileStream::Mode::write); }), FileError::Cause::locked);
    // The refused writer did not empty the file under the readers.
    EXPECT_EQ(reader.remaining(), 4u);
}

TEST_F(FileStreamTest, FullDiskIsReportedOnWriteOrClose)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    FileStream out("/dev/full", FileStream::Mode::write);
    const std::vector<char> block(100, 'x');
    EXPECT_EQ(causeOf([&] {
                  out.write(block.data(), block.size());
                  out.close();
              }),
              FileError::Cause::diskFull);
}

TEST(MemoryStreamTest, BorrowedAndOwnedBuffers)
{
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    plat::MemoryStream borrowed{std::span<const uint8_t>(bytes)};
    uint8_t buffer[8] = {};
    EXPECT_EQ(borrowed.read(buffer, 3), 3u);
    EXPECT_EQ(borrowed.remaining(), 2u);
    EXPECT_EQ(borrowed.read(buffer, 8), 2u);
    EXPECT_EQ(buffer[1], 5);
    EXPECT_EQ(borrowed.read(buffer, 8), 0u);
    EXPECT_THROW(borrowed.write(buffer, 1), std::logic_error);
    borrowed.seek(100);
    EXPECT_EQ(borrowed.remaining(), 0u);

    plat::MemoryStream owned;
    owned.write(bytes.data(), bytes.size());
    owned.write(bytes.data(), 2);
    EXPECT_EQ(owned.remaining(), 7u);
    EXPECT_EQ(owned.read(buffer, 6), 6u);
    EXPECT_EQ(buffer[5], 1);
    EXPECT_EQ(owned.takeData().size(), 7u);
    EXPECT_EQ(owned.remaining(), 0u);
}

}  // namespace
