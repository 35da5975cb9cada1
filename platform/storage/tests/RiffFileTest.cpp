#include "platform/storage/RiffFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using plat::riff::fourcc;
using plat::riff::RiffChunk;
using plat::riff::RiffError;
using plat::riff::RiffFile;

const uint32_t kWave = fourcc('W', 'A', 'V', 'E');
const uint32_t kFmt = fourcc('f', 'm', 't', ' ');
const uint32_t kData = fourcc('d', 'a', 't', 'a');
const uint32_t kInfo = fourcc('I', 'N', 'F', 'O');

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putChunk(std::vector<uint8_t>& out, uint32_t id, uint32_t claimed, const std::vector<uint8_t>& body) {
    put32(out, id);
    put32(out, claimed);
    out.insert(out.end(), body.begin(), body.end());
}

// A RIFF WAVE image: a LIST chunk, a 3-byte odd chunk with its pad, then "data", then "fmt ".
std::vector<uint8_t> foreignOrder() {
    std::vector<uint8_t> body;
    put32(body, kWave);
    std::vector<uint8_t> list;
    put32(list, kInfo);
    putChunk(list, fourcc('I', 'N', 'A', 'M'), 2, {'h', 'i'});
    putChunk(body, plat::riff::kList, static_cast<uint32_t>(list.size()), list);
    putChunk(body, fourcc('o', 'd', 'd', ' '), 3, {1, 2, 3, 0});
    putChunk(body, kData, 4, {10, 20, 30, 40});
    putChunk(body, kFmt, 2, {7, 8});
    std::vector<uint8_t> file;
    putChunk(file, plat::riff::kRiff, static_cast<uint32_t>(body.size()), body);
    return file;
}

struct TempDir {
    std::filesystem::path path;
    TempDir() {
        path = std::filesystem::temp_directory_path() / ("riff-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

void writeRiffWave(RiffFile& file, const std::vector<uint8_t>& fmt, const std::vector<uint8_t>& data) {
    RiffChunk riff;
    riff.formType = kWave;
    ASSERT_EQ(file.createChunk(riff, RiffFile::Kind::Riff), RiffError::None);
    RiffChunk fmtChunk;
    fmtChunk.id = kFmt;
    ASSERT_EQ(file.createChunk(fmtChunk), RiffError::None);
    ASSERT_EQ(file.write(fmt), RiffError::None);
    ASSERT_EQ(file.ascend(fmtChunk), RiffError::None);
    RiffChunk dataChunk;
    dataChunk.id = kData;
    ASSERT_EQ(file.createChunk(dataChunk), RiffError::None);
    ASSERT_EQ(file.write(data), RiffError::None);
    ASSERT_EQ(file.ascend(dataChunk), RiffError::None);
    ASSERT_EQ(file.ascend(riff), RiffError::None);
}

TEST(RiffFile, WrittenChunksGetTheirSizesAndPadBytes) {
    RiffFile file;
    file.openMemory();
    writeRiffWave(file, {1, 2, 3}, {9, 8, 7, 6, 5});
    const std::vector<uint8_t> bytes = file.takeMemory();

    std::vector<uint8_t> expected;
    std::vector<uint8_t> body;
    put32(body, kWave);
    putChunk(body, kFmt, 3, {1, 2, 3, 0});
    putChunk(body, kData, 5, {9, 8, 7, 6, 5, 0});
    putChunk(expected, plat::riff::kRiff, static_cast<uint32_t>(body.size()), body);
    EXPECT_EQ(bytes, expected);
}

TEST(RiffFile, DiskFileRoundTripAndUpdateSizeWhileWriting) {
    TempDir dir;
    const std::string path = (dir.path / "a.wav").string();
    RiffFile out;
    ASSERT_EQ(out.create(path), RiffError::None);
    RiffChunk riff;
    riff.formType = kWave;
    ASSERT_EQ(out.createChunk(riff, RiffFile::Kind::Riff), RiffError::None);
    RiffChunk data;
    data.id = kData;
    ASSERT_EQ(out.createChunk(data), RiffError::None);
    const std::vector<uint8_t> first(100, 0x11);
    ASSERT_EQ(out.write(first), RiffError::None);
    // Sizes brought up to date mid-way: another reader sees the 100 bytes.
    ASSERT_EQ(out.updateSize(data), RiffError::None);
    ASSERT_EQ(out.updateSize(riff), RiffError::None);
    ASSERT_EQ(out.flush(), RiffError::None);
    {
        RiffFile in;
        ASSERT_EQ(in.openRead(path), RiffError::None);
        RiffChunk r;
        r.formType = kWave;
        ASSERT_EQ(in.descend(r, nullptr, RiffFile::Find::Riff), RiffError::None);
        RiffChunk d;
        d.id = kData;
        ASSERT_EQ(in.descend(d, &r, RiffFile::Find::Chunk), RiffError::None);
        EXPECT_EQ(d.size, 100u);
        EXPECT_FALSE(d.truncated());
    }
    ASSERT_EQ(out.write(first), RiffError::None);
    ASSERT_EQ(out.ascend(data), RiffError::None);
    ASSERT_EQ(out.ascend(riff), RiffError::None);
    ASSERT_EQ(out.close(), RiffError::None);

    RiffFile in;
    ASSERT_EQ(in.openRead(path), RiffError::None);
    RiffChunk r;
    r.formType = kWave;
    ASSERT_EQ(in.descend(r, nullptr, RiffFile::Find::Riff), RiffError::None);
    EXPECT_EQ(r.size, 4u + 8u + 200u);
    RiffChunk d;
    d.id = kData;
    ASSERT_EQ(in.descend(d, &r, RiffFile::Find::Chunk), RiffError::None);
    EXPECT_EQ(d.size, 200u);
    std::vector<uint8_t> got(200);
    EXPECT_EQ(in.readExact(got.data(), got.size()), RiffError::None);
    EXPECT_EQ(got, std::vector<uint8_t>(200, 0x11));
    // A read-only file refuses writes.
    EXPECT_EQ(in.write(got), RiffError::Write);
}

TEST(RiffFile, FindsChunksInAnyOrderPastListsAndOddChunks) {
    RiffFile file;
    file.openMemory(foreignOrder());
    RiffChunk riff;
    riff.formType = kWave;
    ASSERT_EQ(file.descend(riff, nullptr, RiffFile::Find::Riff), RiffError::None);
    const uint64_t inside = riff.dataOffset + 4;

    RiffChunk fmt;
    fmt.id = kFmt;
    ASSERT_EQ(file.descend(fmt, &riff, RiffFile::Find::Chunk), RiffError::None);
    uint8_t two[2];
    ASSERT_EQ(file.readExact(two, 2), RiffError::None);
    EXPECT_EQ(two[0], 7);
    EXPECT_EQ(two[1], 8);

    ASSERT_EQ(file.seek(inside), RiffError::None);
    RiffChunk info;
    info.formType = kInfo;
    ASSERT_EQ(file.descend(info, &riff, RiffFile::Find::List), RiffError::None);
    RiffChunk name;
    ASSERT_EQ(file.descend(name, &info), RiffError::None);
    EXPECT_EQ(name.id, fourcc('I', 'N', 'A', 'M'));
    ASSERT_EQ(file.ascend(name), RiffError::None);
    ASSERT_EQ(file.ascend(info), RiffError::None);

    RiffChunk data;
    data.id = kData;
    ASSERT_EQ(file.descend(data, &riff, RiffFile::Find::Chunk), RiffError::None);
    EXPECT_EQ(data.size, 4u);
    uint8_t four[4];
    ASSERT_EQ(file.readExact(four, 4), RiffError::None);
    EXPECT_EQ(four[3], 40);

    // Not there at all, and a form type that does not match.
    ASSERT_EQ(file.seek(inside), RiffError::None);
    RiffChunk missing;
    missing.id = fourcc('c', 'u', 'e', ' ');
    EXPECT_EQ(file.descend(missing, &riff, RiffFile::Find::Chunk), RiffError::ChunkNotFound);
    ASSERT_EQ(file.seek(0), RiffError::None);
    RiffChunk avi;
    avi.formType = fourcc('A', 'V', 'I', ' ');
    EXPECT_EQ(file.descend(avi, nullptr, RiffFile::Find::Riff), RiffError::ChunkNotFound);
}

TEST(RiffFile, ClaimedSizesAreCutToWhatTheFileAndParentHold) {
    // The data chunk claims 1000 bytes; the file ends after 6.
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> body;
    put32(body, kWave);
    putChunk(body, kData, 1000, {1, 2, 3, 4, 5, 6});
    putChunk(bytes, plat::riff::kRiff, 0xFFFFFFFFu, body);

    RiffFile file;
    file.openMemory(bytes);
    RiffChunk riff;
    riff.formType = kWave;
    ASSERT_EQ(file.descend(riff, nullptr, RiffFile::Find::Riff), RiffError::None);
    EXPECT_EQ(riff.claimedSize, 0xFFFFFFFFu);
    EXPECT_EQ(riff.size, bytes.size() - 8);
    EXPECT_TRUE(riff.truncated());
    RiffChunk data;
    data.id = kData;
    ASSERT_EQ(file.descend(data, &riff, RiffFile::Find::Chunk), RiffError::None);
    EXPECT_EQ(data.size, 6u);
    EXPECT_EQ(data.claimedSize, 1000u);
    ASSERT_EQ(file.ascend(data), RiffError::None);
    EXPECT_EQ(file.tell(), bytes.size());

    // A child that claims more than its parent spans is cut to the parent, and a chunk that
    // overruns hides what follows.
    std::vector<uint8_t> nested;
    std::vector<uint8_t> inner;
    put32(inner, kWave);
    putChunk(inner, fourcc('b', 'i', 'g', ' '), 50, {1, 2});
    std::vector<uint8_t> outer;
    putChunk(outer, plat::riff::kRiff, static_cast<uint32_t>(inner.size()), inner);
    putChunk(outer, kData, 2, {9, 9});
    file.openMemory(outer);
    ASSERT_EQ(file.descend(riff, nullptr, RiffFile::Find::Riff), RiffError::None);
    RiffChunk big;
    ASSERT_EQ(file.descend(big, &riff), RiffError::None);
    EXPECT_EQ(big.size, 2u);
    ASSERT_EQ(file.seek(riff.dataOffset + 4), RiffError::None);
    EXPECT_EQ(file.descend(data, &riff, RiffFile::Find::Chunk), RiffError::ChunkNotFound);
}

// Every prefix and every single-byte corruption of a valid file is read without reading
// outside it (the sanitizer build checks that) and without a hang.
TEST(RiffFile, PrefixesAndCorruptedBytesNeverReadOutside) {
    const std::vector<uint8_t> whole = foreignOrder();
    auto walk = [](std::vector<uint8_t> bytes) {
        RiffFile file;
        file.openMemory(std::move(bytes));
        RiffChunk riff;
        riff.formType = kWave;
        if (file.descend(riff, nullptr, RiffFile::Find::Riff) != RiffError::None)
            return;
        for (int i = 0; i < 64; ++i) {
            RiffChunk any;
            if (file.descend(any, &riff) != RiffError::None)
                break;
            EXPECT_LE(any.end(), file.fileSize());
            std::vector<uint8_t> body(any.size);
            ASSERT_EQ(file.seek(any.dataOffset), RiffError::None);
            EXPECT_EQ(file.read(body.data(), body.size()), any.size);
            if (file.ascend(any) != RiffError::None)
                break;
        }
    };
    for (size_t n = 0; n <= whole.size(); ++n)
        walk(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
    for (size_t i = 0; i < whole.size(); ++i) {
        for (uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x7F}, uint8_t{0x80}}) {
            std::vector<uint8_t> bytes = whole;
            bytes[i] = value;
            walk(bytes);
        }
    }
}

TEST(RiffFile, FailuresSayWhy) {
    RiffFile file;
    EXPECT_EQ(file.openRead("/nonexistent/dir/x.wav"), RiffError::CannotOpen);
    EXPECT_EQ(file.lastErrno(), ENOENT);
    EXPECT_EQ(file.openRead("/"), RiffError::CannotOpen);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.seek(0), RiffError::NotOpen);
    RiffChunk chunk;
    EXPECT_EQ(file.descend(chunk), RiffError::NotOpen);

    file.openMemory({1, 2, 3});
    uint8_t four[4];
    EXPECT_EQ(file.readExact(four, 4), RiffError::Read);
    EXPECT_EQ(file.tell(), 0u);
    EXPECT_EQ(file.descend(chunk), RiffError::ChunkNotFound);
    RiffChunk found;
    EXPECT_EQ(file.updateSize(found), RiffError::NotCreated);
}

}  // namespace
