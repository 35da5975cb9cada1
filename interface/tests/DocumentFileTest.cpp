#include "DocumentTestSupport.h"

#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusHeader.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCommandMgr.h"
#include "platform/core/MessageLoop.h"
#include "notabase/layers/LCBase.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/Archive.h"
#include "platform/core/ArchiveError.h"
#include "platform/core/MemoryStream.h"
#include "platform/core/Strings.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECNRPNPoint.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/data/DCsqFlowControl.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <climits>
#include <cstring>
#include <sys/stat.h>

namespace {

using namespace documenttest;
using Answer = plat::UserPrompt::Answer;

std::vector<uint8_t> contentsOf(const std::string& path)
{
    return plat::Storage::open(path)->readStream("Contents");
}

std::string text(uint32_t id)
{
    return plat::format(DocumentStrings::text(id).c_str(), DocumentStrings::applicationName().c_str());
}

// Header records as table rows: what is set, and what a reader gets back.
struct HeaderCase {
    const char* name;
    std::vector<uint8_t> bytes;   // empty: written from the fields below
    int version;
    int expectFormat;
    int expectVersion;
    bool expectProtection;
};

TEST(DocumentHeaderTest, RecordsReadBackAsTheirVersionSays)
{
    const std::vector<HeaderCase> cases = {
        {"current", {}, 4, 0, 4, true},
        {"version 3 has the protection fields", {}, 3, 0, 3, true},
        {"version 2 has none", {}, 2, 0, 2, false},
        {"an old OPUS header is version 0", {'O', 'P', 'U', 'S'}, 0, 0, 0, false},
        {"a short file reads as spaces", {'K', 'V'}, 0, -1, -1, false},
        {"a foreign magic", {'R', 'I', 'F', 'F', 1, 2, 3, 4}, 0, -1, -1, false},
        {"a version beyond an int is newer than any", {'K', 'V', 'D', 'F', 0xFF, 0xFF, 0xFF, 0xFF}, 0, 0, INT_MAX, false},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        plat::MemoryStream stream;
        if (c.bytes.empty()) {
            MCOpusHeader header;
            header.SetVersion(c.version);
            header.SetPassword("creator");
            header.SetUserID("user");
            header.SetProtectionTime(1234567);
            header.SetProtectionLevel(MCOpusHeader::protectEdit | MCOpusHeader::protectCopy);
            header.SetPrintCount(7);
            plat::Archive out(stream, plat::Archive::Mode::store);
            header.Serialize(out);
        } else {
            stream.write(c.bytes.data(), c.bytes.size());
        }
        const size_t size = stream.bytes().size();
        plat::Archive in(stream, plat::Archive::Mode::load);
        MCOpusHeader read;
        read.Serialize(in);
        EXPECT_EQ(read.GetFormat(), c.expectFormat);
        EXPECT_EQ(read.GetVersion(), c.expectVersion);
        EXPECT_EQ(read.GetProtectionLevel(), c.expectProtection ? 10 : 0);
        EXPECT_EQ(read.GetPassword(), c.expectProtection ? "creator" : "");
        EXPECT_EQ(read.GetUserID(), c.expectProtection ? "user" : "");
        EXPECT_EQ(read.GetProtectionTime(), c.expectProtection ? 1234567 : 0);
        EXPECT_EQ(read.GetPrintCount(), c.expectProtection ? 7 : -1);
        if (c.bytes.empty()) {
            EXPECT_EQ(stream.position(), size) << "the whole record is read, nothing more";
        }
    }
}

TEST(DocumentHeaderTest, ProtectedOperationsAskForTheRightPassword)
{
    MCOpusHeader header;
    std::vector<std::string> asked;
    bool give = true;
    const auto previous = MCOpusHeader::SetPasswordHook([&](const std::string& prompt, const std::string& expected) {
        asked.push_back(prompt + "|" + expected);
        return give ? 1 : 0;
    });
    EXPECT_EQ(header.IsProtected(), 0);
    EXPECT_EQ(header.VerifyOperation(MCOpusHeader::protectOpen), 1);
    header.SetProtectionLevel(MCOpusHeader::protectOpen | MCOpusHeader::protectPrint);
    // An empty user id lets everything through without a question.
    EXPECT_EQ(header.VerifyOperation(MCOpusHeader::protectOpen), 1);
    EXPECT_TRUE(asked.empty());
    header.SetUserID("secret");
    header.SetPassword("maker");
    EXPECT_EQ(header.VerifyOperation(MCOpusHeader::protectEdit), 1);  // not protected
    EXPECT_EQ(header.VerifyOperation(16), 1);                          // no such operation
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(header.VerifyOperation(MCOpusHeader::protectPrint), 1);
    give = false;
    EXPECT_EQ(header.VerifyOperation(MCOpusHeader::protectOpen), 0);
    EXPECT_EQ(header.VerifyCreator(), 0);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], "This document is protected.  In order to print this document you must enter a valid "
                        "password.|secret");
    EXPECT_EQ(asked[2], "You must enter the creator password to continue.|maker");
    MCOpusHeader::SetPasswordHook(previous);
    // With no one to ask, a protected operation does not proceed.
    EXPECT_EQ(header.VerifyOperation(MCOpusHeader::protectOpen), 0);
}

class DocumentFileTest : public DocumentTest {
protected:
    // Saves a piece natively at path.
    void SavePiece(const std::string& path, int staves = 2, int quarters = 8)
    {
        MCOpusDoc doc;
        FillPiece(doc, staves, quarters);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_EQ(doc.DoSave(path, 1), 1);
    }
    // The notes of a document's data list, walked with a bound so a cycle cannot hang the test.
    static int ListLength(MCOpusDoc& doc)
    {
        int n = 0;
        for (DCsqBase* data = doc.GetSequence()->GetHead(); data && n < 100000; data = data->GetNext())
            ++n;
        return n;
    }
};

TEST_F(DocumentFileTest, ASavedDocumentIsACompoundFileWithOnlyContentsAndReadsBackTheSame)
{
    const std::string path = File("song.kvd");
    MCOpusDoc doc;
    FillPiece(doc, 3, 8);
    CSequence& sequence = *doc.GetSequence();
    sequence.SetUserSpeed(1.5f);
    sequence.SetNumLeadInMeasures(3);
    sequence.SetPlayRegion(MCTime(2.0f), MCTime(6.0f));
    sequence.SetRecordRegion(MCTime(1.0f), MCTime(3.0f));
    sequence.EnableLoopRegion(1);
    sequence.EnableRecordRegion(1);
    // The loop marks at the play region's bounds are stored with the sequence.
    sequence.SetLoopPoints(0);
    ASSERT_NE(sequence.GetLoopStartData(), nullptr);
    ASSERT_NE(sequence.GetLoopEndData(), nullptr);
    EXPECT_EQ(sequence.LoadedFromFile(), 0);
    LCBase input, output;
    input.SetPriority(3);
    output.SetEnabled(0);
    sequence.AddInputFilter(&input);
    sequence.AddOutputFilter(&output);
    doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
    ASSERT_EQ(doc.DoSave(path, 1), 1);
    sequence.RemoveInputFilter(&input);
    sequence.RemoveOutputFilter(&output);
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.IsModified(), 0);

    doc.ReleaseRootStorage();
    {
        auto check = plat::Storage::open(path);
        EXPECT_EQ(check->kind(), plat::Storage::Kind::compound);
        EXPECT_EQ(check->streamNames(), std::vector<std::string>{"Contents"});
    }
    if (std::system("/usr/bin/python3 -c 'import olefile' 2>/dev/null") == 0) {
        const std::string listing = File("listing");
        const std::string command = "/usr/bin/python3 -c \"import olefile,sys; "
                                    "print(olefile.OleFileIO(sys.argv[1]).listdir(streams=True, storages=True))\" "
                                    + path + " > " + listing;
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::vector<uint8_t> printed = readFile(listing);
        EXPECT_EQ(std::string(printed.begin(), printed.end()), "[['Contents']]\n");
    }

    const std::vector<uint8_t> first = contentsOf(path);
    MCOpusDoc again;
    ASSERT_EQ(again.OnOpenDocument(path), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_EQ(again.GetSequence()->GetUserSpeed(), 1.5f);
    EXPECT_EQ(again.GetSequence()->GetNumLeadInMeasures(), 3);
    EXPECT_EQ(again.GetSequence()->RecordRegionEnabled(), 1);
    EXPECT_EQ(again.GetSequence()->LoopRegionEnabled(), 1);
    EXPECT_EQ(again.GetSequence()->LoadedFromFile(), 1);
    // The loop marks come back as the data of the loaded piece's own marks, at the bounds.
    for (auto [data, at] : {std::pair{again.GetSequence()->GetLoopStartData(), 2.0f},
                            std::pair{again.GetSequence()->GetLoopEndData(), 6.0f}}) {
        ASSERT_NE(data, nullptr);
        ECBase* mark = data->GetOwner();
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(mark->GetData(0, 0), static_cast<DCBase*>(data));
        EXPECT_EQ(mark->GetEventId(), EventId::FlowControl);
        EXPECT_EQ(*mark->GetTime(), MCTime(at));
        ASSERT_NE(mark->GetParents(), nullptr);
        EXPECT_EQ(mark->GetParents()->GetHead(), again.GetBaseEvent()->GetConductor()->GetConductorStaff());
    }
    MCTime start, end;
    again.GetSequence()->GetPlayRegion(start, end);
    EXPECT_EQ(start, MCTime(2.0f));
    EXPECT_EQ(end, MCTime(6.0f));
    std::vector<LCBase*> filters;
    again.GetSequence()->GetFilterList(filters, 0x4 | 0x8);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0]->GetPriority(), 3);
    EXPECT_EQ(filters[1]->IsEnabled(), 0);
    EXPECT_EQ(ListLength(again), ListLength(doc));
    EXPECT_GE(ListLength(again), 24);

    // Stored again, it gives the same bytes.
    const std::string second = File("again.kvd");
    ASSERT_EQ(again.DoSave(second, 1), 1);
    again.ReleaseRootStorage();
    EXPECT_EQ(contentsOf(second), first);
}

TEST_F(DocumentFileTest, ADataListThatLoopsIsRefusedAndOneThatMissesNodesIsRebuilt)
{
    // Two nodes that point at each other, as a damaged file might have them: refused with the
    // message of a file that cannot be opened, never walked for ever.
    const std::string loop = File("loop.kvd");
    {
        MCOpusDoc doc;
        FillPiece(doc, 1, 4);
        DCsqBase* head = doc.GetSequence()->GetHead();
        ASSERT_NE(head, nullptr);
        DCsqBase* next = head->GetNext();
        ASSERT_NE(next, nullptr);
        next->SetNext(head);
        head->SetPrev(next);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_EQ(doc.DoSave(loop, 1), 1);
        doc.GetSequence()->CheckDataIntegrity();
    }
    {
        m_prompts.Clear();
        MCOpusDoc doc;
        EXPECT_EQ(doc.OnOpenDocument(loop), 0);
        EXPECT_EQ(doc.GetBaseEvent(), nullptr);
        // The file named, and why.
        EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{text(uint32_t(DocumentStrings::cannotOpen)) + "\n\n" +
                                                              loop + "\nThe file is damaged."});
    }

    // A list that is one sound chain but lacks a note's data: the load builds it afresh, so
    // the note plays.
    const std::string gap = File("gap.kvd");
    int whole = 0;
    {
        MCOpusDoc doc;
        FillPiece(doc, 2, 4);
        whole = ListLength(doc);
        DCsqBase* middle = doc.GetSequence()->GetHead()->GetNext()->GetNext();
        doc.GetSequence()->RemoveData(middle);
        ASSERT_EQ(ListLength(doc), whole - 1);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_EQ(doc.DoSave(gap, 1), 1);
    }
    MCOpusDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(gap), 1);
    EXPECT_EQ(ListLength(doc), whole);
}

// A damaged file can hold bytes no element may hold: a note of key 230 and velocity 178, key
// pressure on key 230, controller 200, parameter 200/130. They come back held to the 7 bits
// each has, so nothing that counts with them (as an index of 128 keys, say) goes past its end.
TEST_F(DocumentFileTest, BytesNoElementMayHoldAreHeldToTheirRangeOnLoad)
{
    const std::string path = File("damaged.kvd");
    {
        MCOpusDoc doc;
        FillPiece(doc, 1, 4);
        ECBase* staff = doc.GetBaseEvent()->GetConductor()->GetTrack(ECConductor::staffTrack, 1, 0);
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(staff);
        auto* note = plat::dynamicDowncast<DCsqNote>(find.GetEvents().GetHead()->GetData(0, 0));
        ASSERT_NE(note, nullptr);
        note->SetNoteOnData(FCMidi(0x00B2E690u));
        note->SetNoteOffData(FCMidi(0x00B2E680u));
        CMidiEnvelopeMgr* manager = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 1))->GetMidiEnvelopeMgr(0, 1);
        auto* pressure = new ECPolyPressure(60);
        pressure->SetKey(230);
        manager->GetPolyPressureEnv(60, 1)->AddChild(pressure, 1);
        auto* controller = new ECControlChange(200);
        manager->GetControllerEnv(7, 1)->AddChild(controller, 1);
        auto* parameter = new ECNRPNPoint(1, 2);
        parameter->SetNRPNValue(200, 130);
        manager->GetNRPNEnv(1, 2, 1)->AddChild(parameter, 1);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_EQ(doc.DoSave(path, 1), 1);
    }
    MCOpusDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(path), 1);
    ACFindEvents find;
    find.ClipEvtType(-1);
    find.Apply(doc.GetBaseEvent());
    int seen = 0;
    for (ECBase* element : find.GetEvents()) {
        if (auto* note = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 0))) {
            for (const FCMidi& message : {note->GetNoteOnData(), note->GetNoteOffData()}) {
                EXPECT_LE(message.GetDataByte1(), 127);
                EXPECT_LE(message.GetDataByte2(), 127);
                seen += message.GetDataByte1() == 127 ? 1 : 0;
            }
        } else if (auto* pressure = plat::dynamicDowncast<ECPolyPressure>(element)) {
            EXPECT_EQ(pressure->GetKey(), 127);
            ++seen;
        } else if (auto* parameter = plat::dynamicDowncast<ECNRPNPoint>(element)) {
            unsigned char msb = 0;
            unsigned char lsb = 0;
            parameter->GetNRPNValue(msb, lsb);
            EXPECT_EQ(msb, 127);
            EXPECT_EQ(lsb, 127);
            ++seen;
        } else if (auto* change = plat::dynamicDowncast<ECControlChange>(element); change && element->GetEventId() == EventId::ControlChange) {
            EXPECT_EQ(change->GetControllerNum(), 127);
            ++seen;
        }
    }
    EXPECT_EQ(seen, 5) << "the held note's on and off, the pressure, the controller and the parameter";
}

TEST_F(DocumentFileTest, OpenChecksTheHeader)
{
    const std::string path = File("song.kvd");
    SavePiece(path);
    const std::vector<uint8_t> contents = contentsOf(path);
    struct Case {
        const char* name;
        uint32_t version;
        const char* magic;
        int protection;  // protection level with a user id the user does not know
        int opens;
        std::vector<uint32_t> messages;
    };
    const std::vector<Case> cases = {
        {"older version: a notice", 3, "KVDF", 0, 1, {DocumentStrings::olderVersion}},
        {"newer version", 5, "KVDF", 0, 0, {DocumentStrings::newerVersion}},
        {"unknown magic", 4, "ABCD", 0, 0, {DocumentStrings::cannotOpen, DocumentStrings::notADocument}},
        {"open permission refused", 4, "KVDF", MCOpusHeader::protectOpen, 0,
         {DocumentStrings::cannotOpen, DocumentStrings::protectedFile}},
        {"other protections do not guard opening", 4, "KVDF", MCOpusHeader::protectEdit, 1, {}},
    };
    const auto previous = MCOpusHeader::SetPasswordHook([](const std::string&, const std::string&) { return 0; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> changed = contents;
        std::memcpy(changed.data(), c.magic, 4);
        std::memcpy(changed.data() + 4, &c.version, 4);
        if (c.protection) {
            // Rewritten header: same fields, with a user id and the protection level.
            plat::MemoryStream in{std::span<const uint8_t>(contents)};
            plat::Archive load(in, plat::Archive::Mode::load);
            MCOpusHeader header;
            header.Serialize(load);
            const size_t rest = in.position();
            header.SetUserID("secret");
            header.SetProtectionLevel(c.protection);
            plat::MemoryStream out;
            plat::Archive store(out, plat::Archive::Mode::store);
            header.Serialize(store);
            store.flush();
            changed = out.takeData();
            changed.insert(changed.end(), contents.begin() + static_cast<long>(rest), contents.end());
        }
        const std::string file = File("case.kvd");
        plat::Storage::write(file, {{"Contents", changed}});
        m_prompts.Clear();
        MCOpusDoc doc;
        EXPECT_EQ(doc.OnOpenDocument(file), c.opens);
        std::vector<std::string> expected;
        for (uint32_t id : c.messages)
            expected.push_back(text(id));
        // A file that cannot be opened is named, with the reason after it.
        if (expected.size() == 2 && c.messages[0] == DocumentStrings::cannotOpen)
            expected = {expected[0] + "\n\n" + file + "\n" + expected[1]};
        EXPECT_EQ(m_prompts.Texts(), expected);
        EXPECT_EQ(doc.GetBaseEvent() != nullptr, c.opens == 1);
    }
    MCOpusHeader::SetPasswordHook(previous);
}

TEST_F(DocumentFileTest, ReadersAreTriedRiffMidiThenMidiThenNative)
{
    std::vector<std::string> calls;
    bool midiThrows = false;
    MCOpusDoc::MidiFormats formats;
    formats.readRmi = [&](plat::MemoryStream& contents, MCOpusDoc& doc) {
        calls.push_back("rmi");
        char magic[4] = {};
        if (contents.read(magic, 4) != 4 || std::memcmp(magic, "RIFF", 4) != 0)
            return 0;
        doc.CreatePerformance(1);
        doc.GetSequence()->Attach(doc.GetBaseEvent());
        return 1;
    };
    formats.readMidi = [&](plat::MemoryStream& contents, MCOpusDoc& doc) {
        calls.push_back("midi");
        char magic[4] = {};
        // Reads on, to show the next reader starts from the beginning again.
        if (contents.read(magic, 4) != 4 || std::memcmp(magic, "MThd", 4) != 0)
            return 0;
        if (midiThrows)
            throw std::runtime_error("bad track");
        doc.CreatePerformance(1);
        doc.GetSequence()->Attach(doc.GetBaseEvent());
        return 1;
    };
    const auto previous = MCOpusDoc::SetMidiFormats(formats);
    const std::string native = File("song.kvd");
    SavePiece(native);
    const std::string rmi = File("song.rmi");
    writeFile(rmi, {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'});
    const std::string midi = File("song.mid");
    const std::vector<uint8_t> midiBytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0, 96};
    writeFile(midi, midiBytes);
    struct stat before {};
    ASSERT_EQ(::stat(midi.c_str(), &before), 0);

    struct Case {
        std::string path;
        std::vector<std::string> calls;
        int opens;
    };
    for (const Case& c : std::vector<Case>{{rmi, {"rmi"}, 1}, {midi, {"rmi", "midi"}, 1}, {native, {"rmi", "midi"}, 1}}) {
        SCOPED_TRACE(c.path);
        calls.clear();
        MCOpusDoc doc;
        EXPECT_EQ(doc.OnOpenDocument(c.path), c.opens);
        EXPECT_EQ(calls, c.calls);
        EXPECT_NE(doc.GetBaseEvent(), nullptr);
    }
    // Opening the MIDI file changed nothing in it.
    struct stat after {};
    ASSERT_EQ(::stat(midi.c_str(), &after), 0);
    EXPECT_EQ(readFile(midi), midiBytes);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // A MIDI file the reader fails on: one message, and no document.
    midiThrows = true;
    m_prompts.Clear();
    MCOpusDoc doc;
    EXPECT_EQ(doc.OnOpenDocument(midi), 0);
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Unable to open MIDI file\n\nbad track"});
    EXPECT_EQ(doc.GetBaseEvent(), nullptr);
    MCOpusDoc::SetMidiFormats(previous);
}

TEST_F(DocumentFileTest, EveryTruncationAndASampleOfCorruptionsAreRefusedCleanly)
{
    const std::string small = File("small.kvd");
    SavePiece(small, 1, 2);
    const std::vector<uint8_t> contents = contentsOf(small);
    const std::string file = File("cut.kvd");
    for (size_t cut = 0; cut < contents.size(); ++cut) {
        plat::Storage::write(file, {{"Contents", std::span<const uint8_t>(contents.data(), cut)}});
        MCOpusDoc doc;
        EXPECT_EQ(doc.OnOpenDocument(file), 0) << "cut at " << cut;
        EXPECT_EQ(doc.GetBaseEvent(), nullptr);
    }
    const std::string large = File("large.kvd");
    SavePiece(large, 4, 64);
    const std::vector<uint8_t> big = contentsOf(large);
    uint32_t seed = 12345;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bad = big;
        for (int flips = 0; flips < 1 + round % 4; ++flips) {
            seed = seed * 1103515245u + 12345u;
            bad[(seed >> 8) % bad.size()] ^= static_cast<uint8_t>(1u << ((seed >> 4) % 8));
        }
        plat::Storage::write(file, {{"Contents", bad}});
        MCOpusDoc doc;
        // Either a clean refusal or a document that holds together.
        if (doc.OnOpenDocument(file)) {
            EXPECT_NE(doc.GetBaseEvent(), nullptr);
            EXPECT_LT(ListLength(doc), 100000);
        }
    }
    // Another program's compound file, and a file of random bytes.
    plat::Storage::write(file, {{"WordDocument", std::vector<uint8_t>(600, 7)}});
    MCOpusDoc foreign;
    EXPECT_EQ(foreign.OnOpenDocument(file), 0);
    std::vector<uint8_t> noise(5000);
    for (uint8_t& b : noise) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    writeFile(file, noise);
    MCOpusDoc random;
    EXPECT_EQ(random.OnOpenDocument(file), 0);
}

TEST_F(DocumentFileTest, ASaveThatFailsPartWayLeavesTheOldFileByteIdentical)
{
    const std::string path = File("song.kvd");
    SavePiece(path, 1, 4);
    const std::vector<uint8_t> old = readFile(path);
    MCOpusDoc doc;
    FillPiece(doc, 4, 400);
    doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
    struct Killed : std::runtime_error {
        Killed() : std::runtime_error("killed") {}
    };
    ASSERT_EQ(doc.DoSave(File("other.kvd"), 0), 1);
    const uint64_t size = readFile(File("other.kvd")).size();
    ASSERT_GT(size, uint64_t(1) << 16);
    std::filesystem::remove(File("other.kvd"));
    // At the first byte, inside the first block, after it, and with every byte written.
    for (uint64_t at : {uint64_t(0), uint64_t(512), uint64_t(1) << 16, size}) {
        SCOPED_TRACE(at);
        const auto previous = MCOpusDoc::SetWriteProbe([at](uint64_t written) {
            if (written >= at)
                throw Killed();
        });
        EXPECT_EQ(doc.DoSave(path, 0), 0);
        MCOpusDoc::SetWriteProbe(previous);
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(Entries(), std::vector<std::string>{"song.kvd"});
    }
    // Save As to a new name that fails leaves nothing there, and the user's file stays.
    const auto previous = MCOpusDoc::SetWriteProbe([](uint64_t) { throw Killed(); });
    MCOpusDoc::SetSaveDialog([&](std::string& name, int& format, int) {
        name = path;
        format = MCOpusHeader::formatNative;
        return true;
    });
    EXPECT_EQ(doc.DoSave("", 1), 0);
    EXPECT_EQ(readFile(path), old);
    MCOpusDoc::SetSaveDialog({});
    MCOpusDoc::SetWriteProbe(previous);
}

TEST_F(DocumentFileTest, SavingAMidiDocumentAsksBeforeItBecomesNative)
{
    std::vector<int> written;
    MCOpusDoc::MidiFormats formats;
    formats.writeMidi = [&](plat::ByteStream& out, MCOpusDoc&, int type, int) {
        written.push_back(type);
        out.write("MThd", 4);
    };
    const auto previous = MCOpusDoc::SetMidiFormats(formats);
    const std::string midi = File("song.mid");
    const std::vector<uint8_t> original = {'M', 'T', 'h', 'd', 9, 9};
    struct Case {
        const char* name;
        int promptKvd;
        int format;
        std::vector<Answer> answers;
        int saved;
        std::string pathAfter;
        std::vector<int> midiWrites;
        bool nativeWritten;
    };
    const std::vector<Case> cases = {
        {"yes: a native file of its own name", 1, MCOpusHeader::formatMidi1, {Answer::yes}, 1, File("song.kvd"), {}, true},
        {"no: the MIDI type stays", 1, MCOpusHeader::formatMidi0, {Answer::no}, 1, midi, {0}, false},
        {"no question asked", 0, MCOpusHeader::formatMidi1, {}, 1, midi, {1}, false},
        {"cancel: nothing written", 1, MCOpusHeader::formatMidi1, {Answer::cancel}, 0, midi, {}, false},
        {"type 2 cannot be saved", 1, MCOpusHeader::formatMidi2, {Answer::no}, 0, midi, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(midi, original);
        std::filesystem::remove(File("song.kvd"));
        written.clear();
        SaveIntPreference("Settings\\Save", "PromptKVD", c.promptKvd);
        MCOpusDoc doc;
        FillPiece(doc, 1, 2);
        doc.SetPathName(midi);
        doc.GetHeader()->SetFormat(c.format);
        for (Answer a : c.answers)
            m_prompts.Answer(a);
        EXPECT_EQ(doc.DoSave(midi, 1), c.saved);
        EXPECT_EQ(doc.GetPathName(), c.pathAfter);
        EXPECT_EQ(written, c.midiWrites);
        EXPECT_EQ(std::filesystem::exists(File("song.kvd")), c.nativeWritten);
        if (c.midiWrites.empty()) {
            EXPECT_EQ(readFile(midi), original) << "the MIDI file is never overwritten with something else";
        }
        if (c.nativeWritten) {
            // The next plain save goes to the native file, not over the MIDI file.
            ASSERT_EQ(doc.DoSave(doc.GetPathName(), 1), 1);
            EXPECT_EQ(readFile(midi), original);
            EXPECT_TRUE(plat::Storage::isStorageFile(File("song.kvd")));
        }
    }
    MCOpusDoc::SetMidiFormats(previous);
}

// Saved natively instead, the MIDI document's file takes the name of another file that may be
// there already: that file is replaced only when the user says so, and otherwise nothing changes.
TEST_F(DocumentFileTest, BecomingNativeReplacesAFileOfThatNameOnlyWhenTheUserSaysSo)
{
    const std::string midi = File("song.mid");
    const std::string native = File("song.kvd");
    const std::vector<uint8_t> original = {'M', 'T', 'h', 'd', 9, 9};
    const std::vector<uint8_t> other = {'a', 'n', 'o', 't', 'h', 'e', 'r'};
    writeFile(midi, original);
    writeFile(native, other);
    SaveIntPreference("Settings\\Save", "PromptKVD", 1);
    MCOpusDoc doc;
    FillPiece(doc, 1, 2);
    doc.SetPathName(midi);
    doc.GetHeader()->SetFormat(MCOpusHeader::formatMidi1);
    doc.SetModifiedFlag(1);

    m_prompts.Answer(Answer::yes);
    m_prompts.Answer(Answer::no);
    EXPECT_EQ(doc.DoSave(midi, 1), 0);
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_EQ(m_prompts.Texts().back(), "The file, " + native + ", already exists.  Do you want to replace it?");
    EXPECT_EQ(readFile(native), other);
    EXPECT_EQ(readFile(midi), original);
    EXPECT_EQ(doc.GetPathName(), midi);
    EXPECT_EQ(doc.GetHeader()->GetFormat(), MCOpusHeader::formatMidi1) << "still a MIDI document";
    EXPECT_EQ(doc.IsModified(), 1);

    m_prompts.Answer(Answer::yes);
    m_prompts.Answer(Answer::yes);
    EXPECT_EQ(doc.DoSave(midi, 1), 1);
    EXPECT_TRUE(plat::Storage::isStorageFile(native));
    EXPECT_EQ(readFile(midi), original);
    EXPECT_EQ(doc.GetPathName(), native);
}

// A MIDI document whose save as a native file fails, asked for or chosen in Save As, stays a
// MIDI document: the next plain save writes MIDI to its file, never the compound file.
TEST_F(DocumentFileTest, ANativeSaveThatFailsLeavesAMidiDocument)
{
    std::vector<int> written;
    MCOpusDoc::MidiFormats formats;
    formats.writeMidi = [&](plat::ByteStream& out, MCOpusDoc&, int type, int) {
        written.push_back(type);
        out.write("MThd", 4);
    };
    const auto previousFormats = MCOpusDoc::SetMidiFormats(formats);
    struct Full : std::runtime_error {
        Full() : std::runtime_error("No space left on device") {}
    };
    const std::string midi = File("song.mid");
    SaveIntPreference("Settings\\Save", "PromptKVD", 1);
    for (const bool fromSaveAs : {false, true}) {
        SCOPED_TRACE(fromSaveAs ? "native chosen in Save As" : "yes to saving natively instead");
        writeFile(midi, {'M', 'T', 'h', 'd', 9, 9});
        written.clear();
        MCOpusDoc doc;
        FillPiece(doc, 1, 2);
        doc.SetPathName(midi);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatMidi1);
        doc.SetModifiedFlag(1);
        MCOpusDoc::SetSaveDialog([&](std::string& name, int& format, int) {
            name = File("song.kvd");
            format = MCOpusHeader::formatNative;
            return true;
        });
        const auto previousProbe = MCOpusDoc::SetWriteProbe([](uint64_t) { throw Full(); });
        if (!fromSaveAs)
            m_prompts.Answer(Answer::yes);
        EXPECT_EQ(doc.DoSave(fromSaveAs ? "" : midi, 1), 0);
        MCOpusDoc::SetWriteProbe(previousProbe);
        MCOpusDoc::SetSaveDialog({});
        EXPECT_EQ(doc.GetHeader()->GetFormat(), MCOpusHeader::formatMidi1);
        EXPECT_EQ(doc.GetPathName(), midi);
        EXPECT_EQ(doc.IsModified(), 1);

        m_prompts.Answer(Answer::no);
        ASSERT_EQ(doc.DoSave(midi, 1), 1);
        EXPECT_EQ(written, std::vector<int>{1});
        EXPECT_FALSE(plat::Storage::isStorageFile(midi));
        EXPECT_EQ(readFile(midi), (std::vector<uint8_t>{'M', 'T', 'h', 'd'}));
    }
    MCOpusDoc::SetMidiFormats(previousFormats);
}

TEST_F(DocumentFileTest, TheBackupHoldsTheFileAsOpenedAndAutoSaveKeepsTheWork)
{
    const std::string path = File("song.kvd");
    SavePiece(path, 1, 2);
    {
        MCOpusDoc doc;
        ASSERT_EQ(doc.OnOpenDocument(path), 1);
        EXPECT_EQ(Entries(), std::vector<std::string>{"song.kvd"}) << "CreateBackup 0 makes no backup";
    }
    SaveIntPreference("Settings\\Save", "CreateBackup", 1);
    {
        MCOpusDoc doc;
        ASSERT_EQ(doc.OnOpenDocument(path), 1);
        EXPECT_EQ(doc.GetBackupPath(), File("~song.kvd"));
        EXPECT_EQ(readFile(File("~song.kvd")), readFile(path));
        doc.SetModifiedFlag(1);
        doc.GetSequence()->SetUserSpeed(0.5f);
        ASSERT_EQ(doc.SaveBackupFile(), 1);
        EXPECT_EQ(doc.IsModified(), 1);
        EXPECT_EQ(doc.GetPathName(), path);
        MCOpusDoc restored;
        ASSERT_EQ(restored.OnOpenDocument(File("~song.kvd")), 1);
        EXPECT_EQ(restored.GetSequence()->GetUserSpeed(), 0.5f);
    }
    EXPECT_FALSE(std::filesystem::exists(File("~song.kvd")));
}

TEST_F(DocumentFileTest, ClosedPerformancesAreFreedOnWorkersThatTheExitWaitsFor)
{
    for (int round = 0; round < 20; ++round) {
        MCOpusDoc doc;
        FillPiece(doc, 2, 16);
        MCOpusDoc::SetActiveDoc(&doc);
        EXPECT_EQ(ECPerformance::GetActivePerformance(), doc.GetBaseEvent());
        doc.OnCloseDocument();
        EXPECT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
        EXPECT_EQ(doc.GetBaseEvent(), nullptr);
    }
    EXPECT_EQ(MCOpusDoc::WaitThreadsFinished(0), 1);

    // A graph that takes a while to free: the wait returns only once it is freed.
    struct SlowNote : ECNote {
        explicit SlowNote(std::atomic<bool>& freed) : m_freed(freed) {}
        ~SlowNote() override
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            m_freed = true;
        }
        std::atomic<bool>& m_freed;
    };
    std::atomic<bool> freed{false};
    {
        MCOpusDoc doc;
        FillPiece(doc, 1, 1);
        doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(0.0f), 0, 0)->AddChild(new SlowNote(freed), 1);
        doc.OnCloseDocument();
    }
    EXPECT_EQ(MCOpusDoc::WaitThreadsFinished(0), 1);
    EXPECT_TRUE(freed);
}

TEST_F(DocumentFileTest, ElementsTakenOutOfThePieceLeaveTheSelection)
{
    MCOpusDoc doc;
    FillPiece(doc, 1, 2);
    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.Apply(doc.GetBaseEvent());
    ECBase* first = find.GetEvents().GetHead();
    ECBase* second = find.GetEvents().GetTail();
    auto* select = new SCSelection(SCSelection::kReplace);
    select->AddToSelection(first);
    select->AddToSelection(second);
    select->SetSynchronous(1);
    select->Apply(doc.GetBaseEvent());
    ASSERT_EQ(doc.GetSelection().GetCount(), 2);
    // The removal's notification (500) reaches the document when the bracket closes.
    MCCommandMgr::BeginUndo(doc.GetBaseEvent(), "Delete");
    auto* remove = new CCRemove(first);
    remove->SetSynchronous(1);
    remove->Apply(doc.GetBaseEvent());
    MCCommandMgr::EndUndo(doc.GetBaseEvent());
    plat::MessageLoop::current().pump();
    EXPECT_EQ(doc.GetSelection().GetCount(), 1);
    EXPECT_EQ(doc.GetSelection().GetHead(), second);
    EXPECT_EQ(first->IsSelected(), 0);
}

// A new meter at the time of a selected meter replaces it: the replaced meter leaves the
// selection with the piece.
TEST_F(DocumentFileTest, AMeterReplacedByANewOneLeavesTheSelection)
{
    MCOpusDoc doc;
    FillPiece(doc, 1, 8);
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    auto addMeter = [&](int numerator) {
        auto* meter = new ECMeter(static_cast<unsigned char>(numerator), 4, 0);
        meter->SetTime(&MCTime::TimeZero());
        MCCommandMgr::BeginUndo(doc.GetBaseEvent(), "Meter");
        auto* add = new CCAddMeter;
        add->Add(meter, conductor->GetConductorStaff()->GetMeterEnv(), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(doc.GetBaseEvent());
        MCCommandMgr::EndUndo(doc.GetBaseEvent());
        plat::MessageLoop::current().pump();
        return meter;
    };
    ECMeter* old = addMeter(4);
    ASSERT_EQ(conductor->GetMeterAtTime(MCTime(0.0f)), old);
    const plat::RefPtr<ECMeter> held(old);
    auto* select = new SCSelection(SCSelection::kReplace);
    select->AddToSelection(old);
    select->SetSynchronous(1);
    select->Apply(doc.GetBaseEvent());
    ASSERT_EQ(doc.GetSelection().GetCount(), 1);

    ECMeter* meter = addMeter(3);
    ASSERT_EQ(conductor->GetMeterAtTime(MCTime(0.0f)), meter);
    EXPECT_EQ(doc.GetSelection().GetCount(), 0);
    EXPECT_EQ(old->IsSelected(), 0);
}

TEST_F(DocumentFileTest, ADynamicToggleTogglesAgainstTheSelectionItBeganWith)
{
    MCOpusDoc doc;
    FillPiece(doc, 1, 4);
    ACFindEvents find;
    find.ClipEvtType(-1);
    find.Apply(doc.GetBaseEvent());
    std::vector<ECBase*> notes;
    for (ECBase* e : find.GetEvents())
        if (e->GetEventId() == EventId::Note)
            notes.push_back(e);
    ASSERT_GE(notes.size(), 3u);
    auto apply = [&](int code, std::vector<ECBase*> elements, bool dynamic) {
        auto* state = new SCSelection(code);
        for (ECBase* e : elements)
            state->AddToSelection(e);
        state->SetDynamic(dynamic ? 1 : 0);
        state->SetSynchronous(1);
        state->Apply(doc.GetBaseEvent());
    };
    apply(SCSelection::kReplace, {notes[0]}, false);
    // One drag: toggles notes 1, then 1 and 2, then 2 — always against {0}.
    apply(SCSelection::kToggle, {notes[1]}, true);
    apply(SCSelection::kToggle, {notes[1], notes[2]}, true);
    apply(SCSelection::kToggle, {notes[2]}, true);
    std::vector<ECBase*> selected(doc.GetSelection().begin(), doc.GetSelection().end());
    EXPECT_EQ(selected.size(), 2u);
    EXPECT_EQ(doc.GetSelection().FindEvent(EventId::Note) != nullptr, true);
    EXPECT_EQ(notes[0]->IsSelected(), 1);
    EXPECT_EQ(notes[1]->IsSelected(), 0);
    EXPECT_EQ(notes[2]->IsSelected(), 1);
}

}  // namespace

namespace {

using namespace documenttest;

class DocumentEditTest : public DocumentTest {};

TEST_F(DocumentEditTest, PastedStavesWithNoStaffSelectedAllGoAtTheEndInTheirOrder)
{
    MCOpusDoc doc;
    FillPiece(doc, 2, 1);
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    auto staff = [&](int n) { return conductor->GetTrack(ECConductor::staffTrack, n, 0); };
    auto firstKey = [&](int n) {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(staff(n));
        ECBase* note = find.GetEvents().GetHead();
        auto* data = note ? plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0)) : nullptr;
        return data ? int(data->GetNoteOnData().GetDataByte1()) : -1;
    };
    auto select = [&](int code, std::vector<ECBase*> elements) {
        auto* state = new SCSelection(code);
        for (ECBase* e : elements)
            state->AddToSelection(e);
        state->SetSynchronous(1);
        state->Apply(doc.GetBaseEvent());
    };
    const int key1 = firstKey(1), key2 = firstKey(2);
    ASSERT_NE(key1, key2);
    EXPECT_EQ(doc.OnUpdateEditCopy(), 0);
    select(SCSelection::kReplace, {staff(1), staff(2)});
    EXPECT_EQ(doc.OnUpdateEditCopy(), 1);
    doc.OnEditCopy();
    EXPECT_EQ(doc.OnUpdateEditPaste(), 1);
    select(SCSelection::kClear, {});
    doc.OnEditPaste();
    ASSERT_EQ(conductor->GetMaxTrackNumber(ECConductor::staffTrack), 4);
    EXPECT_EQ(firstKey(1), key1);
    EXPECT_EQ(firstKey(2), key2);
    EXPECT_EQ(firstKey(3), key1);
    EXPECT_EQ(firstKey(4), key2);
}

}  // namespace

namespace {

using namespace documenttest;

class DocumentRoundTripTest : public DocumentTest {};

TEST_F(DocumentRoundTripTest, EveryElementKindStoredLoadedAndStoredAgainGivesTheSameBytes)
{
    const std::string path = File("every.kvd");
    std::vector<int> placed;
    {
        MCOpusDoc doc;
        FillPiece(doc, 2, 8);
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        // Every element kind goes under the first element of staff 2 (or of the piece) that
        // can hold it, with its data when it has some.
        ECBase* staff = conductor->GetTrack(ECConductor::staffTrack, 2, 0);
        // The score's structure (conductor, staves, tracks, bars) is there already, built as
        // the program builds it.
        const std::vector<int> structure = {EventId::Performance, EventId::Conductor, EventId::ConductorStaff,
                                            EventId::ConductorMeasure, EventId::Staff, EventId::Track,
                                            EventId::WaveTrack, EventId::Measure};
        for (int id = 0; id < EventId::Count; ++id) {
            if (std::find(structure.begin(), structure.end(), id) != structure.end())
                continue;
            ECBase* element = CreateEvent(id);
            if (!element)
                continue;
            plat::RefPtr<ECBase> held(element);
            std::vector<int> parents;
            element->GetParentTypes(parents);
            const MCTime at(float(id % 8));
            element->SetTime(&at);
            element->SetVoiceTrack(0, 2);
            for (int type : parents) {
                ECBase* parent = staff->GetEventId() == type ? staff : staff->GetDescendant(type, -1);
                if (!parent)
                    parent = doc.GetBaseEvent()->GetDescendant(type, -1);
                if (parent && parent != element && parent->AddChild(element, 1)) {
                    element->GetData(0, 1);
                    placed.push_back(id);
                    break;
                }
            }
        }
        doc.GetSequence()->CheckDataIntegrity();
        doc.GetSequence()->SetPlayRegion(MCTime(1.0f), MCTime(5.0f));
        doc.GetSequence()->EnablePlayRegion(1);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_EQ(doc.DoSave(path, 1), 1);
    }
    EXPECT_GE(placed.size(), 30u) << "most kinds find a parent";
    const std::vector<uint8_t> first = contentsOf(path);
    MCOpusDoc again;
    ASSERT_EQ(again.OnOpenDocument(path), 1) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    const std::string second = File("second.kvd");
    ASSERT_EQ(again.DoSave(second, 1), 1);
    again.ReleaseRootStorage();
    EXPECT_EQ(contentsOf(second), first);
}

}  // namespace

namespace {

using namespace documenttest;

class DocumentFilterTest : public DocumentTest {};

TEST_F(DocumentFilterTest, AFilterNamedTwiceIsOwnedOnce)
{
    const std::string path = File("twice.kvd");
    {
        MCOpusDoc doc;
        FillPiece(doc, 1, 1);
        LCBase filter;
        doc.GetSequence()->AddInputFilter(&filter);
        doc.GetSequence()->AddOutputFilter(&filter);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_EQ(doc.DoSave(path, 1), 1);
        doc.GetSequence()->RemoveInputFilter(&filter);
        doc.GetSequence()->RemoveOutputFilter(&filter);
    }
    MCOpusDoc doc;
    ASSERT_EQ(doc.OnOpenDocument(path), 1);
    // One object in both lists, as stored; freed once when the document goes.
    std::vector<LCBase*> filters;
    doc.GetSequence()->GetFilterList(filters, 0x4 | 0x8);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0], filters[1]);
    // The document's contents going take the filters out of the sequence's lists.
    doc.DeleteContents();
    filters.clear();
    doc.GetSequence()->GetFilterList(filters, 0x4 | 0x8);
    EXPECT_TRUE(filters.empty());
}

}  // namespace
