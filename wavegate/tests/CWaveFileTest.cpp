#include "wavegate/CWaveFileRead.h"
#include "wavegate/CWaveFileWrite.h"
#include "wavegate/tests/WaveFileImage.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t U32At(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(CWaveFile, WrittenFileReadsBack)
{
    TempFolder folder("wavefile");
    const std::string path = folder.File("out.wav");
    std::vector<uint8_t> sound = WaveFileImage::Ramp(44100);
    {
        CWaveFileWrite writer;
        writer.SetFilename(path.c_str());
        ASSERT_EQ(writer.Open(0), 1);
        WG_WaveHeader empty;
        EXPECT_EQ(writer.Write(&empty), 0);
        EXPECT_EQ(writer.Write(nullptr), 0);
        WG_WaveHeader first{sound.data(), 20000, 20000};
        WG_WaveHeader second{sound.data() + 20000, 24100, 24100};
        EXPECT_EQ(writer.Write(&first), 20000);
        EXPECT_EQ(writer.Write(&second), 24100);
        EXPECT_EQ(writer.GetDataSize(), 44100u);
        EXPECT_EQ(writer.GetDuration(), 1000);
        ASSERT_EQ(writer.Close(), 1);
        WG_WaveHeader late{sound.data(), 10, 10};
        EXPECT_EQ(writer.Write(&late), 0);
    }
    const std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 12u + 8u + 18u + 8u + 44100u);
    EXPECT_EQ(U32At(bytes, 16), 18u);                // "fmt " is 18 bytes
    EXPECT_EQ(U32At(bytes, 12 + 8 + 18 + 4), 44100u);   // "data" counts every write
    EXPECT_EQ(U32At(bytes, 4), bytes.size() - 8);

    EXPECT_EQ(CWaveFile::FileExists(path.c_str()), 1);
    EXPECT_EQ(CWaveFile::FileExists(nullptr), 0);
    EXPECT_EQ(CWaveFile::FileDuration(path.c_str()), 1000);
    WG_DevFormat format;
    ASSERT_EQ(CWaveFile::FileFormat(path.c_str(), format), 1);
    EXPECT_EQ(format.samplesPerSec, 22050u);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.bitsPerSample, 16);

    CWaveFileRead reader;
    reader.SetFilename(path.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    std::vector<uint8_t> back(44100);
    EXPECT_EQ(reader.Read(back.data(), 44100), 44100);
    EXPECT_EQ(back, sound);
}

TEST(CWaveFile, ReadsFillSilenceAfterTheSound)
{
    TempFolder folder("wavefile");
    const std::vector<uint8_t> sound = WaveFileImage::Ramp(1200);
    struct Case {
        uint16_t bits;
        uint8_t silence;
    };
    for (const Case c : {Case{8, 0x80}, Case{16, 0x00}, Case{24, 0x00}}) {
        SCOPED_TRACE(c.bits);
        const std::string path = folder.Write("s.wav", WaveFileImage().Fmt(1, 8000, c.bits).Chunk("data", sound).Bytes());
        CWaveFileRead reader;
        reader.SetFilename(path.c_str());
        ASSERT_EQ(reader.Open(0), 1);
        std::vector<uint8_t> block(8192, 0x55);
        EXPECT_EQ(reader.Read(block.data(), 8192), 1200);
        EXPECT_TRUE(std::equal(sound.begin(), sound.end(), block.begin()));
        EXPECT_EQ(std::count(block.begin() + 1200, block.end(), c.silence), 8192 - 1200);
        std::fill(block.begin(), block.end(), 0x55);
        EXPECT_EQ(reader.Read(block.data(), 100), 0);
        EXPECT_EQ(std::count(block.begin(), block.begin() + 100, c.silence), 100);
    }
}

TEST(CWaveFile, SeekMovesWithinTheSoundAndReadsFollow)
{
    TempFolder folder("wavefile");
    // 8000 Hz stereo 16-bit: 4 bytes a frame, 32 bytes a ms; 100 ms of sound.
    const std::vector<uint8_t> sound = WaveFileImage::Ramp(3200);
    const std::string path =
        folder.Write("s.wav", WaveFileImage().Chunk("junk", {1, 2, 3}).Fmt(2, 8000, 16).Chunk("data", sound).Bytes());
    RecordingHost host;
    CWaveFileRead reader(&host);
    reader.SetFilename(path.c_str());
    ASSERT_EQ(reader.Open(0), 1);

    struct Case {
        WG_MMTime time;
        int origin;
        int result;
        uint32_t position;
    };
    const Case cases[] = {
        {{WG_TIME_MS, 10}, 0, 1, 320},
        {{WG_TIME_SAMPLES, 10}, 1, 1, 140},
        {{WG_TIME_BYTES, -60}, 1, 1, 40},
        {{WG_TIME_MS, -1}, 2, 1, 3168},
        {{WG_TIME_SAMPLES, -800}, 2, 1, 0},
        {{WG_TIME_BYTES, 0}, 2, 0, 0},      // the end itself is not in the sound
        {{WG_TIME_MS, 100}, 0, 0, 0},
        {{WG_TIME_BYTES, -1}, 0, 0, 0},
        {{WG_TIME_MS, 5}, 3, 0, 0},         // no such origin
        {{99, 5}, 0, 0, 0},                 // no such time format
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.time.type << " " << c.time.value << " origin " << c.origin);
        WG_MMTime at{WG_TIME_BYTES, 100};
        ASSERT_EQ(reader.Seek(&at, 0), 1);
        host.codes.clear();
        EXPECT_EQ(reader.Seek(&c.time, c.origin), c.result);
        EXPECT_EQ(reader.GetFilePosition(), c.position);
        EXPECT_EQ(host.codes, c.result ? std::vector<uint32_t>{} : std::vector<uint32_t>{602});
        uint8_t two[2];
        const int expected = static_cast<int>(std::min<uint32_t>(2, 3200 - c.position));
        ASSERT_EQ(reader.Read(two, 2), expected);
        EXPECT_EQ(two[0], sound[c.position]);
    }
}

TEST(CWaveFile, SeekOfAnyTimeInAnExtremeFormatLandsInsideTheSoundOrFails)
{
    TempFolder folder("wavefile");
    // A file claiming 4294967295 Hz with 65535 bytes a frame: two frames of sound. A time
    // times the rate or the alignment leaves 64 bits; none of these places is in the sound.
    const uint32_t rate = 4294967295u;
    const std::string path = folder.Write(
        "x.wav", WaveFileImage().Chunk("fmt ", WaveFileImage::Format(1, 65535, rate, 8)).Chunk("data", WaveFileImage::Ramp(131070)).Bytes());
    RecordingHost host;
    CWaveFileRead reader(&host);
    reader.SetFilename(path.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    ASSERT_EQ(reader.GetFormat()->blockAlign, 65535);

    struct Case {
        WG_MMTime time;
        int origin;
    };
    const Case cases[] = {
        {{WG_TIME_MS, 4294967297}, 0},                        // about 50 days in
        {{WG_TIME_MS, -4294967297}, 2},
        {{WG_TIME_SAMPLES, 281479271743490}, 0},              // (2^64 - 1) / 65535 + 1 frames
        {{WG_TIME_SAMPLES, 281479271743489}, 1},
        {{WG_TIME_BYTES, INT64_MAX}, 1},
        {{WG_TIME_MS, INT64_MIN}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.time.type << " " << c.time.value << " origin " << c.origin);
        WG_MMTime at{WG_TIME_BYTES, 100};
        ASSERT_EQ(reader.Seek(&at, 0), 1);
        host.codes.clear();
        EXPECT_EQ(reader.Seek(&c.time, c.origin), 0);
        EXPECT_EQ(reader.GetFilePosition(), 0u);
        EXPECT_EQ(host.codes, std::vector<uint32_t>{602});
    }
    // A time inside the sound still lands: one frame is about 0.23 microseconds.
    const WG_MMTime frame{WG_TIME_SAMPLES, 1};
    EXPECT_EQ(reader.Seek(&frame, 0), 1);
    EXPECT_EQ(reader.GetFilePosition(), 65535u);
}

struct BrokenCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int opens;
    std::vector<uint32_t> codes;
    uint32_t dataSize;
    long durationMs;
    uint16_t formatTag;
};

// A format chunk with its block alignment set to align.
std::vector<uint8_t> WithAlign(std::vector<uint8_t> format, uint16_t align)
{
    format[12] = static_cast<uint8_t>(align);
    format[13] = static_cast<uint8_t>(align >> 8);
    return format;
}

std::vector<BrokenCase> BrokenCases()
{
    using W = WaveFileImage;
    const std::vector<uint8_t> sound = W::Ramp(800);   // 100 ms at 8000 Hz 8-bit mono
    std::vector<uint8_t> extensiblePcm = W::Format(0xFFFE, 1, 8000, 8, 40);
    const uint8_t pcmGuid[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    std::copy(std::begin(pcmGuid), std::end(pcmGuid), extensiblePcm.begin() + 24);
    std::vector<uint8_t> extensibleFloat = extensiblePcm;
    extensibleFloat[24] = 3;
    std::vector<uint8_t> cut = W().Fmt(2, 8000, 16).Chunk("data", W::Ramp(801)).Bytes();
    cut.resize(cut.size() - 1);   // odd data chunk without its pad
    std::vector<uint8_t> truncated = W().Fmt(2, 8000, 16).Chunk("data", W::Ramp(3200)).Bytes();
    truncated.resize(truncated.size() - 1003);   // ends inside a frame
    return {
        {"plain", W().Fmt(1, 8000, 8).Chunk("data", sound).Bytes(), 1, {}, 800, 100, 1},
        {"data before fmt, with LIST and odd chunks",
         W().Chunk("LIST", {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 1, 0, 0, 0, 'x', 0})
             .Chunk("odd ", {1, 2, 3})
             .Chunk("data", sound)
             .Fmt(1, 8000, 8)
             .Bytes(),
         1, {}, 800, 100, 1},
        {"18-byte fmt", W().Fmt(1, 8000, 8, 18).Chunk("data", sound).Bytes(), 1, {}, 800, 100, 1},
        {"extensible PCM", W().Chunk("fmt ", extensiblePcm).Chunk("data", sound).Bytes(), 1, {}, 800, 100, 1},
        {"extensible float stays extensible", W().Chunk("fmt ", extensibleFloat).Chunk("data", sound).Bytes(), 1, {},
         800, 100, 0xFFFE},
        {"zero average byte rate", W().Chunk("fmt ", W::Format(1, 1, 8000, 8, 16, 0)).Chunk("data", sound).Bytes(), 1,
         {}, 800, 100, 1},
        // A format that cannot say how to play its sound is refused, not read as silence of no
        // length: no channels, no rate, no bytes in a frame, or PCM whose frame does not hold
        // one whole sample of each channel.
        {"zero channels, rate and alignment",
         W().Chunk("fmt ", W::Format(1, 0, 0, 8, 16, 0)).Chunk("data", sound).Bytes(), 0, {605}, 0, 0, 0},
        {"zero channels", W().Chunk("fmt ", WithAlign(W::Format(1, 0, 8000, 8), 1)).Chunk("data", sound).Bytes(), 0,
         {605}, 0, 0, 0},
        {"zero rate", W().Chunk("fmt ", W::Format(1, 1, 0, 8)).Chunk("data", sound).Bytes(), 0, {605}, 0, 0, 0},
        {"zero alignment", W().Chunk("fmt ", WithAlign(W::Format(1, 1, 8000, 8), 0)).Chunk("data", sound).Bytes(), 0,
         {605}, 0, 0, 0},
        {"PCM of zero bits", W().Chunk("fmt ", WithAlign(W::Format(1, 1, 8000, 0), 1)).Chunk("data", sound).Bytes(),
         0, {605}, 0, 0, 0},
        {"PCM frame too short for its samples",
         W().Chunk("fmt ", WithAlign(W::Format(1, 2, 8000, 16), 3)).Chunk("data", sound).Bytes(), 0, {605}, 0, 0, 0},
        {"PCM frame longer than its samples",
         W().Chunk("fmt ", WithAlign(W::Format(1, 1, 8000, 16), 4)).Chunk("data", sound).Bytes(), 0, {605}, 0, 0, 0},
        {"12-bit PCM in 16-bit samples", W().Chunk("fmt ", WithAlign(W::Format(1, 1, 4000, 12), 2)).Chunk("data", sound).Bytes(),
         1, {}, 800, 100, 1},
        // Another format keeps its own frame: 3 bytes, so the sound ends at 798 bytes, timed by
        // its average byte rate.
        {"odd alignment of another format",
         W().Chunk("fmt ", WithAlign(W::Format(2, 1, 8000, 4, 16, 7980), 3)).Chunk("data", sound).Bytes(), 1, {}, 798,
         100, 2},
        // PCM plays a frame a sample time: its length is not what a wrong byte rate says.
        {"PCM whose average byte rate lies", W().Chunk("fmt ", W::Format(1, 1, 8000, 8, 16, 1)).Chunk("data", sound).Bytes(),
         1, {}, 800, 100, 1},
        {"truncated data ends at its last whole frame", truncated, 1, {}, 2196, 68, 1},
        {"odd data without its pad", cut, 1, {}, 800, 25, 1},
        {"RIFF size claims far too much", W().Fmt(1, 8000, 8).Chunk("data", sound).Bytes(0xFFFFFFF0), 1, {}, 800, 100,
         1},
        {"data size claims far too much", W().Fmt(1, 8000, 8).Chunk("data", sound, 0x7FFFFFFF).Bytes(), 1, {}, 800,
         100, 1},
        // Sizes near 4 GiB: read up to the end of the file, nothing past it, and no sum of them
        // wraps around to land inside the file.
        {"data size of 4 GiB less one", W().Fmt(1, 8000, 8).Chunk("data", sound, 0xFFFFFFFF).Bytes(), 1, {}, 800, 100,
         1},
        {"data size of 4 GiB less one, in frames of 3 bytes",
         W().Chunk("fmt ", W::Format(1, 1, 8000, 24)).Chunk("data", sound, 0xFFFFFFFF).Bytes(), 1, {}, 798, 33, 1},
        {"RIFF and data sizes of 4 GiB less one",
         W().Fmt(1, 8000, 8).Chunk("data", sound, 0xFFFFFFFF).Bytes(0xFFFFFFFF), 1, {}, 800, 100, 1},
        {"a chunk of nearly 4 GiB before fmt hides it",
         W().Chunk("junk", {1, 2}, 0xFFFFFFF8).Fmt(1, 8000, 8).Chunk("data", sound).Bytes(), 0, {603}, 0, 0, 0},
        {"a chunk of nearly 4 GiB between fmt and data hides the data",
         W().Fmt(1, 8000, 8).Chunk("junk", {1, 2}, 0xFFFFFFFE).Chunk("data", sound).Bytes(), 0, {603}, 0, 0, 0},
        {"fmt of 4 GiB less one hides the data behind it",
         W().Chunk("fmt ", W::Format(1, 1, 8000, 8), 0xFFFFFFFF).Chunk("data", sound).Bytes(), 0, {603}, 0, 0, 0},
        {"data of 4 GiB less one before fmt hides the format",
         W().Chunk("data", sound, 0xFFFFFFFF).Fmt(1, 8000, 8).Bytes(), 0, {603}, 0, 0, 0},
        {"fmt too short", W().Chunk("fmt ", {1, 0, 1, 0, 0x40, 0x1F, 0, 0}).Chunk("data", sound).Bytes(), 0, {605}, 0,
         0, 0},
        {"no fmt", W().Chunk("data", sound).Bytes(), 0, {603}, 0, 0, 0},
        {"no data", W().Fmt(1, 8000, 8).Bytes(), 0, {603}, 0, 0, 0},
        {"not a WAVE form", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}, 0, {603}, 0, 0, 0},
        {"empty", {}, 0, {603}, 0, 0, 0},
        {"RIFF size smaller than its chunks", W().Fmt(1, 8000, 8).Chunk("data", sound).Bytes(20), 0, {605}, 0, 0, 0},
    };
}

TEST(CWaveFile, ForeignAndBrokenFilesReadOrAreRefusedWithTheirCode)
{
    TempFolder folder("wavefile");
    for (const BrokenCase& c : BrokenCases()) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("case.wav", c.bytes);
        RecordingHost host;
        CWaveFileRead reader(&host);
        reader.SetFilename(path.c_str());
        EXPECT_EQ(reader.Open(0), c.opens);
        EXPECT_EQ(host.codes, c.codes);
        EXPECT_EQ(CWaveFile::FileDuration(path.c_str()), c.durationMs);
        WG_DevFormat format;
        EXPECT_EQ(CWaveFile::FileFormat(path.c_str(), format), c.opens);
        if (!c.opens) {
            EXPECT_EQ(reader.GetFormat(), nullptr);
            continue;
        }
        EXPECT_EQ(format.formatTag, c.formatTag);
        EXPECT_EQ(reader.GetDataSize(), c.dataSize);
        EXPECT_EQ(reader.GetDuration(), c.durationMs);
        std::vector<uint8_t> all(c.dataSize + 10);
        EXPECT_EQ(reader.Read(all.data(), static_cast<int>(all.size())), static_cast<int>(c.dataSize));
        EXPECT_EQ(all[0], WaveFileImage::Ramp(1)[0]);
    }
    RecordingHost host;
    CWaveFileRead missing(&host);
    missing.SetFilename(folder.File("none.wav").c_str());
    EXPECT_EQ(missing.Open(0), 0);
    EXPECT_EQ(host.codes, std::vector<uint32_t>{600});
    EXPECT_EQ(CWaveFile::FileDuration(folder.File("none.wav").c_str()), 0);

    CWaveFileWrite writer(&host);
    writer.SetFilename(folder.File("no/such/folder.wav").c_str());
    EXPECT_EQ(writer.Open(0), 0);
    EXPECT_EQ(host.codes.back(), 614u);
}

// A file of more than 4 GiB whose sound is nearly 4 GiB long (made sparse, so it costs no
// disk): every count of it stays in range, its last frame is read and nothing behind it.
TEST(CWaveFile, ASoundOfNearlyFourGibibytesIsReadToItsEndAndNoFurther)
{
    TempFolder folder("wavefile");
    const uint32_t dataSize = 0xFFFFFFD0u;
    const std::vector<uint8_t> header =
        WaveFileImage().Fmt(2, 8000, 16).Chunk("data", {}, dataSize).Bytes(4 + 24 + 8 + dataSize);
    const std::string path = folder.Write("huge.wav", header);
    const uint64_t fileSize = header.size() + uint64_t{dataSize} + 64;   // a tail behind the sound
    std::error_code error;
    std::filesystem::resize_file(path, fileSize, error);
    struct stat info {};
    if (error || ::stat(path.c_str(), &info) != 0 || uint64_t(info.st_blocks) * 512 > 16u << 20)
        GTEST_SKIP() << "no sparse file of " << fileSize << " bytes here";
    {
        // The last frame of the sound, and a tail that is not sound.
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(static_cast<std::streamoff>(header.size() + dataSize - 4));
        out.write("\x01\x02\x03\x04", 4);
        out.write(std::string(64, '\x7F').data(), 64);
    }
    RecordingHost host;
    CWaveFileRead reader(&host);
    reader.SetFilename(path.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    EXPECT_EQ(reader.GetDataSize(), dataSize);
    EXPECT_EQ(reader.GetDuration(), 134217726);   // 4294967248 bytes at 32000 a second
    EXPECT_EQ(CWaveFile::FileDuration(path.c_str()), 134217726);

    const WG_MMTime last{WG_TIME_BYTES, -4};
    ASSERT_EQ(reader.Seek(&last, 2), 1);
    EXPECT_EQ(reader.GetFilePosition(), dataSize - 4);
    std::vector<uint8_t> block(16, 0x55);
    EXPECT_EQ(reader.Read(block.data(), 16), 4);
    EXPECT_EQ(block, (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(reader.GetFilePosition(), dataSize);
    EXPECT_EQ(reader.Read(block.data(), 16), 0);

    // The last whole ms lands; the next is past the sound.
    const WG_MMTime lastMs{WG_TIME_MS, 134217726};
    EXPECT_EQ(reader.Seek(&lastMs, 0), 1);
    EXPECT_EQ(reader.GetFilePosition(), 4294967232u);
    const WG_MMTime pastMs{WG_TIME_MS, 134217727};
    EXPECT_EQ(reader.Seek(&pastMs, 0), 0);
    EXPECT_EQ(reader.GetFilePosition(), 0u);
    EXPECT_EQ(host.codes, std::vector<uint32_t>{602});
}

// Every prefix of a valid file, and every byte of its header set to a few values, opens or is
// refused without a crash; whatever opens reads exactly its data size (the sanitizer build
// checks that nothing is read outside).
TEST(CWaveFile, PrefixesAndCorruptedHeadersNeverCrash)
{
    TempFolder folder("wavefile");
    const std::vector<uint8_t> whole =
        WaveFileImage().Chunk("LIST", {'I', 'N', 'F', 'O'}).Fmt(2, 8000, 16, 18).Chunk("data", WaveFileImage::Ramp(64)).Bytes();
    auto attempt = [&](const std::vector<uint8_t>& bytes) {
        const std::string path = folder.Write("p.wav", bytes);
        CWaveFileRead reader;
        reader.SetFilename(path.c_str());
        CWaveFile::FileDuration(path.c_str());
        if (!reader.Open(0))
            return;
        std::vector<uint8_t> buffer(200);
        EXPECT_EQ(reader.Read(buffer.data(), 200), static_cast<int>(reader.GetDataSize()));
        reader.GetDuration();
        WG_MMTime back{WG_TIME_MS, -1};
        reader.Seek(&back, 2);
    };
    for (size_t n = 0; n <= whole.size(); ++n)
        attempt(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
    const size_t header = whole.size() - 64;
    for (size_t i = 0; i < header; ++i) {
        for (uint8_t value : {uint8_t{0}, uint8_t{1}, uint8_t{0x7F}, uint8_t{0xFF}}) {
            std::vector<uint8_t> bytes = whole;
            bytes[i] = value;
            attempt(bytes);
        }
    }
}

// Sample sounds a Debian package ships, where the machine has them.
TEST(CWaveFile, ReadsSystemSampleSounds)
{
    const std::filesystem::path folder = "/usr/share/sounds/alsa";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        GTEST_SKIP() << "no sample sounds in " << folder;
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".wav")
            continue;
        SCOPED_TRACE(entry.path().string());
        CWaveFileRead reader;
        reader.SetFilename(entry.path().c_str());
        ASSERT_EQ(reader.Open(0), 1);
        EXPECT_GT(reader.GetDuration(), 0);
        std::vector<uint8_t> all(reader.GetDataSize());
        EXPECT_EQ(reader.Read(all.data(), static_cast<int>(all.size())), static_cast<int>(all.size()));
        ++read;
    }
    if (read == 0)
        GTEST_SKIP() << "no .wav files in " << folder;
}

}  // namespace
