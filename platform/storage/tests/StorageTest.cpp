#include "platform/storage/Storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using plat::Storage;
using plat::StorageError;

std::vector<uint8_t> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

// FNV-1a, 64 bits.
uint64_t fingerprint(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const uint8_t byte : bytes)
        hash = (hash ^ byte) * 0x100000001b3ull;
    return hash;
}

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/storage-test-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string file(const char* name) const { return (m_dir / name).string(); }
    // Every entry of the folder, hidden ones included.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path m_dir;
};

TEST_F(StorageTest, StreamsRoundTripWhateverTheirSize)
{
    // 100 bytes lands in the mini-stream, 70000 in full sectors; an empty stream is legal.
    const std::vector<std::vector<uint8_t>> bodies = {pattern(100, 1), pattern(70000, 2), {}};
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", bodies[0]}, {"Big", bodies[1]}, {"Empty", bodies[2]}});

    EXPECT_TRUE(Storage::isStorageFile(path));
    auto storage = Storage::open(path);
    EXPECT_EQ(storage->kind(), Storage::Kind::compound);
    EXPECT_EQ(storage->access(), Storage::Access::readWrite);
    std::vector<std::string> names = storage->streamNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Big", "Contents", "Empty"}));
    EXPECT_EQ(storage->readStream("Contents"), bodies[0]);
    EXPECT_EQ(storage->readStream("CONTENTS"), bodies[0]);
    EXPECT_EQ(storage->readStream("Big"), bodies[1]);
    EXPECT_EQ(storage->readStream("Empty"), bodies[2]);
    try {
        storage->readStream("Missing");
        FAIL() << "a missing stream was read";
    } catch (const StorageError& e) {
        EXPECT_EQ(e.cause(), StorageError::Cause::notFound);
    }
}

TEST_F(StorageTest, AnotherReaderSeesExactlyOneRootStreamNamedContents)
{
    if (std::system("/usr/bin/python3 -c 'import olefile' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-olefile is not installed";
    const std::string path = file("doc.kvd");
    const std::vector<uint8_t> body = pattern(5000, 9);
    Storage::write(path, {{"Contents", body}});
    const std::string script = m_dir / "check.py";
    {
        std::ofstream py(script);
        py << "import olefile, sys\n"
              "ole = olefile.OleFileIO(sys.argv[1])\n"
              "print(ole.listdir(streams=True, storages=True))\n"
              "sys.stdout.buffer.write(ole.openstream('Contents').read())\n";
    }
    const std::string out = (m_dir / "out").string();
    ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + path + " > " + out).c_str()), 0);
    const std::vector<uint8_t> printed = readFile(out);
    const std::string listing = "[['Contents']]\n";
    ASSERT_GE(printed.size(), listing.size());
    EXPECT_EQ(std::string(printed.begin(), printed.begin() + static_cast<long>(listing.size())), listing);
    EXPECT_EQ(std::vector<uint8_t>(printed.begin() + static_cast<long>(listing.size()), printed.end()), body);
}

TEST_F(StorageTest, AFileThatIsNoCompoundFileOpensAsItsOwnBytesAndIsNeverChanged)
{
    const std::string path = file("song.mid");
    const std::vector<uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    writeFile(path, bytes);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        auto storage = Storage::open(path);
        EXPECT_EQ(storage->kind(), Storage::Kind::converted);
        EXPECT_EQ(storage->streamNames(), std::vector<std::string>{"Contents"});
        EXPECT_EQ(storage->readStream("Contents"), bytes);
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(readFile(path), bytes);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(StorageTest, ASecondOpenerOfAnOpenDocumentIsRefusedAsLocked)
{
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", pattern(10, 3)}});
    auto first = Storage::open(path);
    try {
        Storage::open(path);
        FAIL() << "the file was opened twice";
    } catch (const StorageError& e) {
        EXPECT_EQ(e.cause(), StorageError::Cause::locked);
    }
    first.reset();
    EXPECT_NO_THROW(Storage::open(path));
}

TEST_F(StorageTest, AReadOnlyDocumentOpensForReadingAndIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", pattern(10, 3)}});
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    auto storage = Storage::open(path);
    EXPECT_EQ(storage->access(), Storage::Access::readOnly);
    EXPECT_EQ(storage->readStream("Contents"), pattern(10, 3));
    // Nor is it replaced, though the folder is writable.
    const std::vector<uint8_t> before = readFile(path);
    EXPECT_THROW(Storage::write(path, {{"Contents", pattern(20, 4)}}), StorageError);
    EXPECT_EQ(readFile(path), before);
}

TEST_F(StorageTest, WhatIsNoRegularFileIsRefusedWithoutBlocking)
{
    const std::string fifo = file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(Storage::open(fifo), StorageError);
    EXPECT_THROW(Storage::open(m_dir.string()), StorageError);
    try {
        Storage::open(file("absent"));
        FAIL();
    } catch (const StorageError& e) {
        EXPECT_EQ(e.cause(), StorageError::Cause::notFound);
    }
}

TEST_F(StorageTest, DamagedContainersAreRefusedCleanly)
{
    const std::vector<uint8_t> good = Storage::build({{"Contents", pattern(9000, 5)}});
    const std::string path = file("bad.kvd");
    // Every cut of the header sector and a sample beyond it; then bytes flipped throughout.
    std::vector<size_t> cuts;
    for (size_t n = 8; n < 600; n += 1)
        cuts.push_back(n);
    for (size_t n = 600; n < good.size(); n += 97)
        cuts.push_back(n);
    for (size_t cut : cuts) {
        writeFile(path, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)));
        try {
            auto storage = Storage::open(path);
            // libgsf may still make sense of a cut past the directory; what it hands out is
            // bounded by the file.
            if (storage->hasStream("Contents")) {
                EXPECT_LE(storage->readStream("Contents").size(), cut);
            }
        } catch (const StorageError&) {
        }
    }
    for (size_t at = 8; at < good.size(); at += 13) {
        std::vector<uint8_t> bad = good;
        bad[at] ^= 0xA5;
        writeFile(path, bad);
        try {
            auto storage = Storage::open(path);
            if (storage->hasStream("Contents")) {
                EXPECT_LE(storage->readStream("Contents").size(), bad.size());
            }
        } catch (const StorageError&) {
        }
    }
}

TEST_F(StorageTest, AWriteInterruptedAtAnyPointLeavesTheOldFileWholeAndNoTemporaryFile)
{
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", pattern(300, 1)}});
    const std::vector<uint8_t> old = readFile(path);
    const std::vector<uint8_t> next = Storage::build({{"Contents", pattern(200000, 2)}});
    struct Interrupted {};
    for (uint64_t stopAt : {uint64_t(0), uint64_t(1) << 16, uint64_t(3) << 16, uint64_t(next.size())}) {
        EXPECT_THROW(Storage::replaceFile(path, next, [stopAt](uint64_t written) {
                         if (written >= stopAt)
                             throw Interrupted{};
                     }),
                     Interrupted);
        EXPECT_EQ(readFile(path), old) << "interrupted at " << stopAt;
        EXPECT_EQ(entries(), std::vector<std::string>{"doc.kvd"});
    }
    Storage::replaceFile(path, next);
    EXPECT_EQ(readFile(path), next);
    EXPECT_EQ(entries(), std::vector<std::string>{"doc.kvd"});
}

TEST_F(StorageTest, AContainerWrittenStraightIntoTheFileIsTheOneBuildMakesAndStopsCleanly)
{
    const std::string path = file("doc.kvd");
    const std::vector<uint8_t> small = pattern(100, 1), big = pattern(1 << 20, 2), empty;
    const std::vector<Storage::Stream> streams = {{"Contents", big}, {"Small", small}, {"Empty", empty}};
    Storage::write(path, streams);
    const std::vector<uint8_t> built = Storage::build(streams);
    EXPECT_EQ(readFile(path), built);
    EXPECT_EQ(Storage::open(path)->readStream("Contents"), big);
    EXPECT_EQ(entries(), std::vector<std::string>{"doc.kvd"});

    // Stopped before any block, inside the stream, and with every byte written: whatever the
    // probe throws comes out as it was thrown, the old file stays and no temporary is left.
    const std::vector<uint8_t> old = readFile(path);
    const std::vector<uint8_t> next = pattern(1 << 20, 3);
    const uint64_t nextSize = Storage::build({{"Contents", next}}).size();
    struct Interrupted {};
    for (uint64_t stopAt : {uint64_t(0), uint64_t(5) << 16, nextSize}) {
        SCOPED_TRACE(stopAt);
        std::vector<uint64_t> seen;
        EXPECT_THROW(Storage::write(path, {{"Contents", next}},
                                    [&seen, stopAt](uint64_t written) {
                                        seen.push_back(written);
                                        if (written >= stopAt)
                                            throw Interrupted{};
                                    }),
                     Interrupted);
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(entries(), std::vector<std::string>{"doc.kvd"});
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    }
}

TEST_F(StorageTest, AProcessKilledWhileSavingLeavesTheOldFileByteIdentical)
{
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", pattern(300, 1)}});
    const std::vector<uint8_t> old = readFile(path);
    const std::vector<uint8_t> next = Storage::build({{"Contents", pattern(150000, 2)}});
    for (uint64_t killAt : {uint64_t(0), uint64_t(1) << 16, uint64_t(next.size())}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Storage::replaceFile(path, next, [killAt](uint64_t written) {
                if (written >= killAt)
                    ::_exit(3);
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 3);
        EXPECT_EQ(readFile(path), old) << "killed at " << killAt;
    }
}

TEST_F(StorageTest, ANewFileKeepsTheOldFilesPermissions)
{
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", pattern(10, 1)}});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    Storage::write(path, {{"Contents", pattern(10, 2)}});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace

// The bytes of a container, whichever way it is written, are the ones this program has
// always written: an older copy reads what a newer one saves, and saving an unchanged
// document gives the same file. Sizes around the small-block threshold and one whose
// allocation table needs the extended table.
TEST_F(StorageTest, AContainerKeepsItsBytesAroundEveryThreshold)
{
    struct Case {
        size_t streamSize;
        size_t fileSize;
        uint64_t fingerprint;
    };
    const Case cases[] = {
        {0, 1536, 0x3cdf160af5452ac6ull},          {100, 2560, 0x0024291e74d85663ull},
        {4095, 6144, 0xfa6f03d1e01fe518ull},       {4096, 5632, 0xb231a92b46864a66ull},
        {1 << 20, 1058304, 0xcaf6dbc87087d296ull}, {7500000, 7561216, 0xbae31612c34c96f8ull},
    };
    const std::string path = file("doc.kvd");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.streamSize);
        const std::vector<uint8_t> contents = pattern(c.streamSize, 5);
        const std::vector<uint8_t> built = Storage::build({{"Contents", contents}});
        EXPECT_EQ(built.size(), c.fileSize);
        EXPECT_EQ(fingerprint(built), c.fingerprint);
        Storage::write(path, {{"Contents", contents}});
        EXPECT_EQ(readFile(path), built);
        // Handed over piece by piece, in pieces smaller and larger than the blocks it goes in.
        Storage::write(path, "Contents", [&contents](plat::ByteStream& out) {
            size_t at = 0;
            for (size_t piece = 1; at < contents.size(); piece = piece * 3 + 1) {
                const size_t n = std::min(piece % 100000, contents.size() - at);
                out.write(contents.data() + at, n);
                at += n;
            }
        });
        EXPECT_EQ(readFile(path), built);
        EXPECT_EQ(Storage::open(path)->readStream("Contents"), contents);
    }
}

// Opening locks the file; its contents are read when first asked for, and a damaged container
// is refused then, each time it is asked.
TEST_F(StorageTest, AContainerIsReadWhenItsStreamsAreFirstAskedFor)
{
    const std::string path = file("late.kvd");
    std::vector<uint8_t> bytes = Storage::build({{"Contents", pattern(9000, 6)}});
    std::fill(bytes.begin() + 8, bytes.end(), uint8_t(0xEE));
    writeFile(path, bytes);
    const auto storage = Storage::open(path);
    EXPECT_EQ(storage->kind(), Storage::Kind::compound);
    EXPECT_THROW(Storage::open(path), StorageError) << "the first opener holds the lock";
    for (int ask = 0; ask < 2; ++ask) {
        try {
            (void)storage->hasStream("Contents");
            ADD_FAILURE() << "a damaged container was read";
        } catch (const StorageError& e) {
            EXPECT_EQ(e.cause(), StorageError::Cause::invalid);
        }
    }
}

// A stream whose sectors are out of order in the file, as other writers may leave one, reads
// back in the order its chain gives.
TEST_F(StorageTest, AScatteredStreamReadsInTheOrderOfItsChain)
{
    const std::vector<uint8_t> contents = pattern(8 * 512, 4);
    std::vector<uint8_t> bytes = Storage::build({{"Contents", contents}});
    const auto u32 = [&bytes](size_t at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16
             | uint32_t(bytes[at + 3]) << 24;
    };
    const auto setU32 = [&bytes](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    const auto sectorAt = [](uint32_t sector) { return (size_t(sector) + 1) * 512; };
    // The stream's first two sectors change places, and its chain follows them.
    const size_t entry = sectorAt(u32(0x30)) + 128;  // the directory's second entry: Contents
    const uint32_t first = u32(entry + 0x74);
    const size_t fat = sectorAt(u32(0x4C));
    ASSERT_EQ(u32(fat + 4 * first), first + 1);
    std::swap_ranges(bytes.begin() + static_cast<std::ptrdiff_t>(sectorAt(first)),
                     bytes.begin() + static_cast<std::ptrdiff_t>(sectorAt(first + 1)),
                     bytes.begin() + static_cast<std::ptrdiff_t>(sectorAt(first + 1)));
    setU32(entry + 0x74, first + 1);
    setU32(fat + 4 * (first + 1), first);
    setU32(fat + 4 * first, first + 2);
    const std::string path = file("scattered.kvd");
    writeFile(path, bytes);
    EXPECT_EQ(Storage::open(path)->readStream("Contents"), contents);
}

// A writer that fails part way, or a disk that fails under it, ends the write: what was thrown
// comes out as it was thrown, the old file stays and no temporary is left.
TEST_F(StorageTest, AStreamWrittenAsItIsMadeStopsCleanlyWhereverItFails)
{
    const std::string path = file("doc.kvd");
    Storage::write(path, {{"Contents", pattern(1000, 1)}});
    const std::vector<uint8_t> old = readFile(path);
    struct Interrupted {};
    const std::vector<uint8_t> block = pattern(1 << 16, 2);
    const auto writeMegabytes = [&block](plat::ByteStream& out) {
        for (int i = 0; i < 16; ++i)
            out.write(block.data(), block.size());
    };
    for (const size_t failAt : {size_t(0), size_t(100), size_t(5) << 16}) {
        SCOPED_TRACE(failAt);
        EXPECT_THROW(Storage::write(path, "Contents",
                                    [&](plat::ByteStream& out) {
                                        const std::vector<uint8_t> part = pattern(failAt, 3);
                                        out.write(part.data(), part.size());
                                        throw Interrupted{};
                                    }),
                     Interrupted);
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(entries(), std::vector<std::string>{"doc.kvd"});

        int blocksWritten = 0;
        EXPECT_THROW(Storage::write(path, "Contents", writeMegabytes,
                                    [&](uint64_t written) {
                                        ++blocksWritten;
                                        if (written >= failAt)
                                            throw Interrupted{};
                                    }),
                     Interrupted);
        // The writer stopped at the block that failed, not at the end of its sixteen.
        EXPECT_LE(blocksWritten, 2 + static_cast<int>(failAt >> 16));
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(entries(), std::vector<std::string>{"doc.kvd"});
    }
}
