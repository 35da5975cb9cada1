#include "notabase/model/MCLoadVersion.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <future>
#include <optional>

namespace {

class LoadVersionTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

// A note record of the first format (a bare float time) and of the current one (a mode byte,
// then the float).
const std::vector<uint8_t>& firstFormatNote()
{
    static const auto bytes = storeWith([](plat::Archive& a) {
        a.writeU8(0);
        a.writeFloat(2.25f);
        a.writeU16(0x0013);
    });
    return bytes;
}

const std::vector<uint8_t>& currentFormatNote()
{
    static const auto bytes = storeWith([](plat::Archive& a) {
        TENote note(3.5f);
        note.SetVoiceTrack(3, 1);
        note.Serialize(a);
    });
    return bytes;
}

TEST_F(LoadVersionTest, TheVersionAttachedToTheArchiveDecidesOverTheActivePerformance)
{
    const struct {
        const char* what;
        std::optional<int> active;
        std::optional<int> attached;
        const std::vector<uint8_t>& bytes;
        float time;
    } cases[] = {
        {"nothing attached, none active: newest", std::nullopt, std::nullopt, currentFormatNote(), 3.5f},
        {"nothing attached: the active version", 0, std::nullopt, firstFormatNote(), 2.25f},
        {"attached first format under a newer active", 3, 0, firstFormatNote(), 2.25f},
        {"attached current format under a first-format active", 0, 3, currentFormatNote(), 3.5f},
        {"attached first format with none active", std::nullopt, 0, firstFormatNote(), 2.25f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::optional<ActiveVersion> active;
        if (c.active)
            active.emplace(*c.active);
        TENote note;
        loadWith(c.bytes, [&](plat::Archive& a) {
            std::optional<MCLoadVersion> attached;
            if (c.attached)
                attached.emplace(a, *c.attached);
            note.Serialize(a);
        });
        EXPECT_EQ(note.GetTime()->GetSeconds(), c.time);
        EXPECT_EQ(note.GetVoice(), 3);
        EXPECT_EQ(note.GetTrack(), 1);
    }
}

TEST_F(LoadVersionTest, EachArchiveReadsUnderItsOwnVersion)
{
    ActiveVersion active(3);
    loadWith(firstFormatNote(), [](plat::Archive& document) {
        const MCLoadVersion documentVersion(document, 0);
        EXPECT_EQ(ECPerformance::GetActiveVersion(), 0) << "the archive in use";
        EXPECT_EQ(ECPerformance::GetActiveVersion(document), 0);

        // A second archive read on the way, with no version of its own: the active one.
        TENote pasted;
        loadWith(currentFormatNote(), [&](plat::Archive& paste) {
            EXPECT_EQ(ECPerformance::GetActiveVersion(paste), 3);
            pasted.Serialize(paste);
        });
        EXPECT_EQ(pasted.GetTime()->GetSeconds(), 3.5f);

        // With a version of its own, it is the archive in use until it is done.
        loadWith(currentFormatNote(), [&](plat::Archive& paste) {
            const MCLoadVersion pasteVersion(paste, 5);
            EXPECT_EQ(ECPerformance::GetActiveVersion(), 5);
            EXPECT_EQ(ECPerformance::GetActiveVersion(document), 0);
        });
        EXPECT_EQ(ECPerformance::GetActiveVersion(), 0);

        TENote note;
        note.Serialize(document);
        EXPECT_EQ(note.GetTime()->GetSeconds(), 2.25f);
    });
    EXPECT_EQ(ECPerformance::GetActiveVersion(), 3) << "no archive in use: the active performance";
    EXPECT_EQ(MCLoadVersion::InUse(), std::nullopt);
}

TEST_F(LoadVersionTest, AnAttachmentBelongsToTheThreadThatReads)
{
    ActiveVersion active(2);
    plat::MemoryStream stream(firstFormatNote());
    plat::Archive archive(stream, plat::Archive::Mode::load);
    int context = 0;
    archive.setContext(&context);
    const MCLoadVersion attached(archive, 0);
    EXPECT_EQ(archive.context(), &context) << "the context stays its owner's";
    const int elsewhere = std::async(std::launch::async, [] { return ECPerformance::GetActiveVersion(); }).get();
    EXPECT_EQ(elsewhere, 2);
    EXPECT_EQ(ECPerformance::GetActiveVersion(), 0);
}

}  // namespace
