// Records of the event data as documents of older versions hold them: each version reads the
// fields it has and no more, and damaged counts are refused.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/model/MCLoadVersion.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "sequencer/data/DCsqAccent.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/data/DCsqTranspose.h"
#include "sequencer/data/DCsqWave.h"
#include "sequencer/layers/LCMidiTranspose.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// The data base record of a version: documents before 3 begin with 4 more bytes.
void WriteBase(plat::Archive& archive, int version)
{
    if (version < 3)
        archive.writeU32(0);
    archive.writeU32(0);
    archive.writeI32(0);
    archive.writeObject(nullptr);
}

// Loads data from what write put after the base record, under the version; checks that every
// byte was read.
void LoadOld(DCBase& data, int version, const std::function<void(plat::Archive&)>& write)
{
    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        WriteBase(archive, version);
        write(archive);
        archive.flush();
    }
    plat::MemoryStream in(out.takeData());
    plat::Archive archive(in, plat::Archive::Mode::load);
    {
        MCLoadVersion loadVersion(archive, version);
        archive.loadInto(data);
    }
    EXPECT_EQ(in.remaining().value_or(1), 0u) << data.runtimeClass()->name << " version " << version;
}

class OldRecordsTest : public ::testing::Test {
protected:
    SequencerEnvironment m_environment;
};

TEST_F(OldRecordsTest, EachVersionReadsTheFieldsItHas)
{
    DCsqChannelMode mode;
    LoadOld(mode, 3, [](plat::Archive& a) { a.writeU32(0x0079B2); });
    EXPECT_EQ(mode.GetBasicChannel(), 0);
    EXPECT_EQ(mode.GetMidiData().GetValue(), 0x0079B2u);
    LoadOld(mode, 4, [](plat::Archive& a) {
        a.writeU32(0x0079B2);
        a.writeU8(5);
        a.writeU8(3);
    });
    EXPECT_EQ(mode.GetBasicChannel(), 5);
    EXPECT_EQ(mode.GetMode4Channels(), 3);

    DCsqWave wave;
    LoadOld(wave, 1, [](plat::Archive&) {});
    EXPECT_EQ(wave.GetDSParams().volume, 0);
    LoadOld(wave, 2, [](plat::Archive& a) {
        a.writeI32(-100);
        a.writeI32(-200);
        a.writeI32(300);
    });
    EXPECT_EQ(wave.GetDSParams().volume, -200);

    DCsqTempo tempo;
    LoadOld(tempo, 2, [](plat::Archive& a) { a.writeFloat(12.5f); });
    DCsqTempo later;
    LoadOld(later, 3, [](plat::Archive&) {});

    DCsqFlowControl flow;
    flow.SetEnabled(0);
    LoadOld(flow, 3, [](plat::Archive&) {});
    EXPECT_EQ(flow.IsEnabled(), 1);

    // Before version 3 the filter data held a list of old layers, and a dynamic a message
    // data object (none here) and its percent.
    DCsqDynamic dynamic;
    LoadOld(dynamic, 2, [](plat::Archive& a) {
        a.writeCount(0);
        a.writeObject(nullptr);
        a.writeFloat(-20.0f);
    });
    EXPECT_FLOAT_EQ(dynamic.GetPercentChange(), -20.0f);
    DCsqTranspose transpose;
    LoadOld(transpose, 2, [](plat::Archive& a) {
        LCMidiTranspose layer;
        a.writeCount(1);
        a.writeObject(&layer);
        LCMidiTranspose other;
        a.writeObject(&other);
    });
    DCsqAccent accent;
    LoadOld(accent, 2, [](plat::Archive& a) { a.writeCount(0); });
    EXPECT_EQ(accent.GetFilter(), nullptr);
    plat::MemoryStream second;
    plat::Archive secondPass(second, plat::Archive::Mode::store);
    accent.PostSerialize(secondPass);
    EXPECT_NE(accent.GetFilter(), nullptr) << "a loaded accent always has its filter";
}

TEST_F(OldRecordsTest, SystemExclusiveBytesAreCountedAndBounded)
{
    DCsqSysMsg message;
    LoadOld(message, 4, [](plat::Archive& a) {
        a.writeU32(0);
        a.writeU32(3);
        const uint8_t bytes[] = {0xF0, 0x01, 0xF7};
        a.writeBytes(bytes, sizeof bytes);
    });
    EXPECT_EQ(message.GetSysExData().GetSysExBufLength(), 3u);
    // A count beyond what the stream holds fails before anything is allocated.
    DCsqSysMsg damaged;
    EXPECT_THROW(LoadOld(damaged, 4,
                         [](plat::Archive& a) {
                             a.writeU32(0);
                             a.writeU32(0xFFFFFFF0u);
                         }),
                 plat::ArchiveError);
}

}  // namespace
