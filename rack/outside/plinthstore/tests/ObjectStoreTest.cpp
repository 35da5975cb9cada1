#include "rack/outside/plinthstore/FileChooser.h"
#include "rack/outside/plinthstore/MediaFileInfo.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/RecordSetupDialog.h"
#include "rack/outside/plinthstore/RiffWriting.h"
#include "rack/outside/plinthstore/tests/StoreTestFiles.h"
#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthart/tests/RackTestEnvironment.h"

#include "platform/core/UserPrompt.h"
#include "platform/storage/RiffFile.h"
#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/support/LayoutCheck.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <filesystem>

namespace rack {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::waveFileBytes;
using test::writeFile;

class ObjectStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "store-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        // Recordings go to the music folder of this home.
        m_oldHome = getenv("HOME") ? getenv("HOME") : "";
        setenv("HOME", m_folder.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        obj_Initialize();
    }

    void TearDown() override
    {
        obj_Terminate();
        FileChooser::setHook({});
        setenv("HOME", m_oldHome.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::string file(const std::string& name) const { return m_folder + "/" + name; }

    std::string m_folder;
    std::string m_oldHome;
    plat::UserPrompt::ScopedHook m_prompts{[this](const plat::UserPrompt::Message& message) {
        prompts.push_back(message.text);
        return plat::UserPrompt::defaultAnswer(message);
    }};
    std::vector<std::string> prompts;
};

TEST_F(ObjectStoreTest, RiffHeadersHaveTheirExactBytes)
{
    plat::riff::RiffFile riff;
    riff.openMemory();
    ASSERT_EQ(riff_WriteProof(riff, 36 + 8, "WAVE"), 0);
    ASSERT_EQ(riff_WriteFormat(riff, WaveFormat::pcm(22050, 1, 8), 1), 0);
    ASSERT_EQ(riff_WriteHeader(riff, "data", 8), 0);
    const std::vector<uint8_t> bytes = riff.takeMemory();
    // The 44 bytes in front of the samples of a file with 8 data bytes.
    std::vector<uint8_t> expected = waveFileBytes(22050, 1, 8, std::vector<uint8_t>(8, 0));
    expected.resize(44);
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(units_SAMPLES_TO_MS(WaveFormat::pcm(22050, 2, 16), 44100), 1000);
    EXPECT_EQ(units_SAMPLES_TO_TENTHS(WaveFormat::pcm(11025, 1, 8), 16537), 14);
}

TEST_F(ObjectStoreTest, FilesAreTypedByTheirContent)
{
    writeFile(file("a.WAV"), waveFileBytes(44100, 2, 16, {0, 0, 0, 0}));
    writeFile(file("b.mid"), {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 0, 0, 96});
    writeFile(file("c.rmi"), {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'});
    writeFile(file("d.wav"), {'n', 'o', 'p', 'e'});
    EXPECT_EQ(obj_GetType(file("a.WAV")), kObjWave);
    EXPECT_EQ(obj_GetType(file("b.mid")), kObjMidi);
    EXPECT_EQ(obj_GetType(file("c.rmi")), kObjMidi);
    EXPECT_EQ(obj_GetType(file("d.wav")), -1);
    EXPECT_EQ(obj_GetType(file("missing.wav")), -1);
}

TEST_F(ObjectStoreTest, LoadedWavesCarryFormatOffsetAndLengthAndUsersHearOfChanges)
{
    plat::ui::test::RecordingClass deckClass("StoreTestDeck");
    plat::ui::Window* deck = plat::ui::Window::create(deckClass.name(), "", 0, QRect(0, 0, 10, 10), nullptr);
    obj_RegisterUser(deck, kObjWave);

    writeFile(file("Take One.wav"), waveFileBytes(22050, 2, 16, std::vector<uint8_t>(400, 1)));
    writeFile(file("broken.wav"), {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
    EXPECT_EQ(obj_LoadWave(nullptr, file("Take One.wav").c_str()), 0);
    EXPECT_EQ(obj_LoadWave(nullptr, file("broken.wav").c_str()), -1);
    EXPECT_EQ(prompts.size(), 1u);
    ASSERT_EQ(obj_GetWaveCount(), 1);
    const WaveRecord* wave = obj_GetWave(0, 0);
    EXPECT_EQ(wave->path, file("Take One.wav"));
    EXPECT_EQ(wave->format.samplesPerSec, 22050u);
    EXPECT_EQ(wave->format.channels, 2);
    EXPECT_EQ(wave->dataOffset, 44);
    EXPECT_EQ(wave->length, 200);
    EXPECT_EQ(wave->fullScale, 32767);
    EXPECT_EQ(obj_MatchName(kObjWave, file("Take One.wav")), 0);
    EXPECT_EQ(obj_GetState(0, wave), 0);

    plat::ui::test::deliverPosted();
    EXPECT_EQ(deckClass.of(kSysCommandMessage, deck).size(), 1u);
    const int32_t key = wave->key;
    EXPECT_EQ(obj_EmptyWave(1, key), 0);
    EXPECT_EQ(obj_EmptyWave(1, key), -1);
    obj_UnregisterUser(deck, kObjWave);
    EXPECT_EQ(obj_LoadWave(nullptr, file("Take One.wav").c_str()), 0);
    plat::ui::test::deliverPosted();
    EXPECT_EQ(deckClass.of(kSysCommandMessage, deck).size(), 2u);
}

TEST_F(ObjectStoreTest, RecordingNamesAreUniqueInTheMusicFolderAndARecordingIsUnsavedUntilSaved)
{
    std::string first;
    std::string second;
    ASSERT_EQ(obj_MakeName(nullptr, 0, first), 0);
    ASSERT_EQ(obj_MakeName(nullptr, 0, second), 0);
    EXPECT_EQ(first, file("Music/Recording 001.wav"));
    EXPECT_EQ(second, file("Music/Recording 002.wav"));
    writeFile(file("Music/Recording 003.wav"), {});
    std::string third;
    ASSERT_EQ(obj_MakeName(nullptr, 0, third), 0);
    EXPECT_EQ(third, file("Music/Recording 004.wav"));

    const std::vector<uint8_t> bytes = waveFileBytes(11025, 1, 8, std::vector<uint8_t>(10, 128));
    writeFile(first, bytes);
    const int index = obj_LoadWave(nullptr, first.c_str());
    ASSERT_GE(index, 0);
    EXPECT_EQ(obj_GetState(0, obj_GetWave(0, index)), 1);

    // Cancelled: the recording stays where it is, unsaved.
    FileChooser::setHook([](plat::ui::Window*, const FileRequest&) { return std::vector<std::string>{}; });
    EXPECT_EQ(obj_SaveWave(nullptr, 0, index, 0), 1);
    EXPECT_EQ(obj_GetState(0, obj_GetWave(0, index)), 1);
    // Saved: moved to the user's file and no longer unsaved.
    const std::string target = file("Kept Take");
    FileChooser::setHook([&target](plat::ui::Window*, const FileRequest& request) {
        EXPECT_TRUE(request.save);
        return std::vector<std::string>{target};
    });
    EXPECT_EQ(obj_SaveWave(nullptr, 0, index, 0), 0);
    EXPECT_EQ(obj_GetState(0, obj_GetWave(0, index)), 0);
    EXPECT_EQ(obj_GetWave(0, index)->path, target + ".wav");
    EXPECT_EQ(readFile(target + ".wav"), bytes);
    EXPECT_FALSE(fs::exists(first));
    // Nothing more to save.
    EXPECT_EQ(obj_SaveWave(nullptr, 0, index, 0), 0);
}

TEST_F(ObjectStoreTest, NewWavesTakeTheRecordingSetUp)
{
    {
        RecordSetupDialog dialog(nullptr);
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(dialog));
        test::saveScreenshot(dialog.grab().toImage(), "rack-recording-setup");
        dialog.rateBox()->setCurrentIndex(dialog.rateBox()->findData(22050));
        dialog.bitsBox()->setCurrentIndex(dialog.bitsBox()->findData(8));
        dialog.channelsBox()->setCurrentIndex(dialog.channelsBox()->findData(1));
        dialog.accept();
    }
    const int index = obj_NewWave(nullptr);
    const WaveRecord* wave = obj_GetWave(0, index);
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->name, "Untitled Recording");
    EXPECT_EQ(wave->format.samplesPerSec, 22050u);
    EXPECT_EQ(wave->format.bitsPerSample, 8);
    EXPECT_EQ(wave->format.channels, 1);
    EXPECT_EQ(wave->fullScale, 127);
    EXPECT_EQ(wave->silence, 128);
    EXPECT_EQ(wave->length, 0);
    PlinthProfile::setString("Recording", "Rate", "12345");
    EXPECT_EQ(obj_GetRecordFormat().samplesPerSec, 44100u);
}

TEST_F(ObjectStoreTest, MidiFilesAreMeasuredThroughTheirTempoChanges)
{
    // 96 ticks per quarter: one quarter at 120 bpm (0.5 s), then 60 bpm for two quarters (2 s).
    std::vector<uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96};
    const std::vector<uint8_t> events = {
        0x00, 0x90, 60, 100,                          // note on
        0x60, 0xFF, 0x51, 3, 0x0F, 0x42, 0x40,         // at 96: tempo 1,000,000 us
        0x81, 0x40, 0x80, 60, 0,                       // at 288: note off
        0x00, 0xFF, 0x2F, 0x00};
    test::putText(smf, "MTrk");
    smf.push_back(0);
    smf.push_back(0);
    smf.push_back(0);
    smf.push_back(uint8_t(events.size()));
    smf.insert(smf.end(), events.begin(), events.end());
    writeFile(file("song.mid"), smf);
    EXPECT_EQ(MediaFileInfo::midiLengthTenths(file("song.mid")), std::optional<int32_t>(25));
    const int index = obj_LoadMidi(nullptr, file("song.mid").c_str());
    ASSERT_EQ(index, 0);
    EXPECT_EQ(obj_GetMidi(0, 0)->lengthTenths, 25);
    EXPECT_EQ(obj_MatchName(kObjMidi, file("song.mid")), 0);
    writeFile(file("bad.mid"), {'M', 'T', 'h', 'd', 0, 0, 0, 6});
    EXPECT_EQ(obj_LoadMidi(nullptr, file("bad.mid").c_str()), -1);
    EXPECT_EQ(obj_EmptyMidi(0, 0), 0);
    EXPECT_EQ(obj_GetMidiCount(), 0);
}

}  // namespace
}  // namespace rack
