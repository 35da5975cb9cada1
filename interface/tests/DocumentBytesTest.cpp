#include "DocumentTestSupport.h"

#include "notabase/model/ECNote.h"
#include "notabase/model/ECOrnament.h"
#include "notabase/score/ECMeasure.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

namespace {

using namespace documenttest;

class DocumentBytesTest : public DocumentTest {};

// FNV-1a, 64 bits.
uint64_t fingerprint(const std::vector<uint8_t>& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const uint8_t byte : bytes)
        hash = (hash ^ byte) * 0x100000001b3ull;
    return hash;
}

// The archive of a document that has no file: nothing in it depends on the disk.
std::vector<uint8_t> storedBytes(MCOpusDoc& doc)
{
    plat::MemoryStream stream;
    plat::Archive archive(stream, plat::Archive::Mode::store);
    doc.Serialize(archive);
    archive.flush();
    return stream.takeData();
}

// A small piece stores to the bytes it always has (so files written before read the same,
// and what is written now reads in older copies), its file is the container of those bytes,
// and what loads from it stores the same again.
TEST_F(DocumentBytesTest, ASmallPieceStoresTheBytesItAlwaysHas)
{
    MCOpusDoc doc;
    FillPiece(doc, 2, 4);
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    // A chord of two notes sharing an ornament: the second reference is stored as one.
    auto* ornament = new ECOrnament(1);
    for (int key = 0; key < 2; ++key) {
        auto* note = new ECNote(MCTime(2.0f), MCTime(0.5f));
        note->SetVoiceTrack(0, 2);
        ASSERT_TRUE(conductor->GetMeasure(2, MCTime(2.0f), 0, 0)->AddChild(note, 1));
        ASSERT_TRUE(note->AddChild(ornament, 0));
    }
    doc.GetSequence()->CheckDataIntegrity();
    doc.GetSequence()->SetPlayRegion(MCTime(1.0f), MCTime(3.0f));
    doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);

    const std::vector<uint8_t> stored = storedBytes(doc);
    EXPECT_EQ(stored.size(), 1369u);
    EXPECT_EQ(fingerprint(stored), 0x1ccd35f883c398d5ull);

    const std::string path = File("small.kvd");
    ASSERT_EQ(doc.DoSave(path, 1), 1);
    doc.ReleaseRootStorage();
    const std::vector<uint8_t> contents = plat::Storage::open(path)->readStream("Contents");
    EXPECT_EQ(readFile(path), plat::Storage::build({{"Contents", contents}}));

    MCOpusDoc again;
    ASSERT_EQ(again.OnOpenDocument(path), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    const std::string second = File("again.kvd");
    ASSERT_EQ(again.DoSave(second, 1), 1);
    again.ReleaseRootStorage();
    EXPECT_EQ(plat::Storage::open(second)->readStream("Contents"), contents);
}

}  // namespace
