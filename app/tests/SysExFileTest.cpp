#include "app/dialogs/CSysExFile.h"

#include "notabase/values/FCMidiSysEx.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace {

std::string bytesOf(const FCMidiSysEx& message)
{
    if (!message.HasData())
        return {};
    return std::string(reinterpret_cast<const char*>(message.GetSysExBuf()), message.GetSysExBufLength());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SysExFileTest : public testing::Test {
protected:
    std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }
    QTemporaryDir m_dir;
};

}  // namespace

// Whatever a file holds comes in as one message of exactly its bytes.
TEST_F(SysExFileTest, ReadsAnyContentAsOneMessage)
{
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", std::string()},
        {"gm-on", std::string("\xf0\x7e\x7f\x09\x01\xf7", 6)},
        {"no-framing", std::string("hello")},
        {"zeros", std::string(3, '\0')},
        {"two-messages", std::string("\xf0\x01\xf7\xf0\x02\xf7", 6)},
        {"largest", std::string(CSysExFile::kMaxFileSize, '\x42')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(Path(c.name), c.bytes);
        FCMidiSysEx message;
        EXPECT_EQ(CSysExFile::Read(Path(c.name), message), 0);
        EXPECT_EQ(bytesOf(message), c.bytes);
    }
}

// A file too large, missing, or not a regular file is refused with its cause, and the message
// stays as it was; a pipe must not block the read.
TEST_F(SysExFileTest, RefusesWhatItCannotRead)
{
    writeFile(Path("huge.syx"), std::string(CSysExFile::kMaxFileSize + 1, '\0'));
    ASSERT_EQ(::mkfifo(Path("pipe.syx").c_str(), 0600), 0);
    const struct {
        const char* name;
        int error;
    } cases[] = {{"huge.syx", EFBIG}, {"missing.syx", ENOENT}, {"pipe.syx", EINVAL}, {"", ENOENT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FCMidiSysEx message;
        message.SetGMSystemOn(127);
        const std::string before = bytesOf(message);
        const std::string path = *c.name ? Path(c.name) : std::string();
        EXPECT_EQ(CSysExFile::Read(path, message), c.error);
        EXPECT_EQ(bytesOf(message), before);
    }
    FCMidiSysEx message;
    EXPECT_EQ(CSysExFile::Read(m_dir.path().toStdString(), message), EINVAL);
}

TEST_F(SysExFileTest, ExportThenImportGivesTheSameBytes)
{
    FCMidiSysEx out;
    out.SetXGSystemOn(16);
    ASSERT_EQ(CSysExFile::Write(Path("xg.syx"), out), 0);
    EXPECT_EQ(readFile(Path("xg.syx")), bytesOf(out));
    FCMidiSysEx in;
    ASSERT_EQ(CSysExFile::Read(Path("xg.syx"), in), 0);
    EXPECT_EQ(bytesOf(in), bytesOf(out));
}

// An empty message or an unwritable place fails with its cause and leaves the file that was
// there untouched, with no temporary beside it.
TEST_F(SysExFileTest, FailedExportKeepsTheOldFile)
{
    writeFile(Path("keep.syx"), "old bytes");
    EXPECT_EQ(CSysExFile::Write(Path("keep.syx"), FCMidiSysEx()), EINVAL);
    EXPECT_EQ(readFile(Path("keep.syx")), "old bytes");
    FCMidiSysEx message;
    message.SetGSSystemOn(16);
    EXPECT_EQ(CSysExFile::Write(Path("no-such-folder/out.syx"), message), ENOENT);
    ASSERT_EQ(::mkdir(Path("target.syx").c_str(), 0700), 0);
    EXPECT_NE(CSysExFile::Write(Path("target.syx"), message), 0);
    EXPECT_FALSE(std::ifstream(Path("target.syx.part")).good());
}
