#include "notabase/clipboard/MCClipFormat.h"
#include "notabase/clipboard/MCOleDataInfo.h"
#include "notabase/clipboard/MCOleDataOut.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCDrag.h"
#include "notabase/commands/CCDrop.h"
#include "notabase/commands/CCPaste.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECAccent.h"
#include "notabase/model/ECChord.h"
#include "notabase/model/ECChordSymbol.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/tests/CommandPiece.h"
#include "platform/core/ClipData.h"
#include "platform/core/MemoryClipboard.h"
#include "platform/core/MemoryDragDrop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// A note that notes the document set on the archive it is written to or read from.
class ContextNote : public TENote {
    PLAT_DECLARE_SERIAL(ContextNote)
public:
    void Serialize(plat::Archive& archive) override
    {
        TENote::Serialize(archive);
        (archive.isStoring() ? s_storedFor : s_loadedFor) = archive.context();
    }
    static void* s_storedFor;
    static void* s_loadedFor;
};
PLAT_IMPLEMENT_SERIAL(ContextNote, TENote, 1)
void* ContextNote::s_storedFor = nullptr;
void* ContextNote::s_loadedFor = nullptr;

template <class T>
T* at(float time, T* element)
{
    const MCTime t(time);
    element->SetTime(&t);
    return element;
}

class CopyPasteTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        build(1, 8.0f);
    }
    void TearDown() override
    {
        takeApart(m_sources);
        m_sources.RemoveAll();
        CommandTest::TearDown();
    }
    // Elements outside a piece hold one another through their links.
    static void takeApart(const MCEventList& elements)
    {
        for (ECBase* element : elements)
            element->RemoveChildren(1);
    }

    // Elements of most kinds that travel, with children of their own, outside any piece.
    void fillSources()
    {
        auto* chord = at(1.0f, new ECChord);
        for (float pitchTime : {1.0f, 1.0f}) {
            auto* note = new ECNote(MCTime(pitchTime), MCTime(0.5f));
            note->AddChild(new ECAccent, 1);
            chord->AddChild(note, 1);
        }
        auto* envelope = new ECControllerEnv;
        envelope->AddChild(at(0.0f, new ECDynamic), 1);
        envelope->AddChild(at(2.0f, new ECDynamic), 1);
        for (ECBase* element : std::initializer_list<ECBase*>{
                 chord, envelope, at(0.0f, new ECText(0, "Violin")), at(0.0f, new ECClef(1)),
                 at(4.0f, new ECKey(2, 0, 0)), at(3.0f, new ECLyric("la")), at(2.0f, new ECChordSymbol(1, 2, 3, 0))})
            m_sources.AddEvent(element, 0);
    }

    // What a copy command puts on the clipboard for the sources.
    std::shared_ptr<const plat::ClipData> copySources()
    {
        plat::RefPtr<CCCopy> copy(new CCCopy);
        copy->SetDocument(&m_document);
        copy->CopyEvents(&m_sources);
        apply(copy.get());
        return m_clipboard.data();
    }

    // A paste of the clipboard, held past its run.
    plat::RefPtr<CCPaste> paste(unsigned short format = 0)
    {
        plat::RefPtr<CCPaste> command(new CCPaste);
        command->SetDocument(&m_document);
        command->SetFormat(format);
        apply(command.get());
        return command;
    }

    static void expectSameRecords(const MCEventList& copies, const MCEventList& sources)
    {
        ASSERT_EQ(copies.GetCount(), sources.GetCount());
        MCPosition at = copies.GetHeadPosition();
        for (ECBase* source : sources) {
            ECBase* copy = copies.GetNext(at);
            EXPECT_NE(copy, source);
            EXPECT_EQ(copy->runtimeClass(), source->runtimeClass());
            EXPECT_EQ(storeObject(copy), storeObject(source)) << source->runtimeClass()->name;
            EXPECT_EQ(describePiece(copy), describePiece(source));
            EXPECT_TRUE(copy->GetParents()->IsEmpty());
        }
    }

    int m_document = 0;
    MCEventList m_sources;
    plat::MemoryClipboard m_clipboard;
    plat::Clipboard::ScopedInstall m_installed{m_clipboard};
};

}  // namespace

TEST_F(CopyPasteTest, TheCommandsChangeNothingAndAreNoUndoSteps)
{
    const std::pair<plat::RefPtr<CCBase>, int> commands[] = {
        {plat::RefPtr<CCBase>(new CCCopy), CommandIds::CCCopy},
        {plat::RefPtr<CCBase>(new CCDrag), CommandIds::CCDrag},
        {plat::RefPtr<CCBase>(new CCPaste), CommandIds::CCPaste},
        {plat::RefPtr<CCBase>(new CCDrop), CommandIds::CCDrop},
    };
    for (const auto& [command, id] : commands) {
        EXPECT_EQ(command->GetCommandId(), id);
        EXPECT_EQ(command->CanUndo(), 0) << id;
    }
}

TEST_F(CopyPasteTest, APasteGivesFreshCopiesOfWhatWasCopied)
{
    fillSources();
    ECBase* chord = m_sources.GetHead();
    // A note listed with its chord travels inside the chord only.
    m_sources.AddEvent(chord->GetChildren()->GetHead(), 0);
    plat::RefPtr<CCCopy> copy(new CCCopy);
    copy->SetDocument(&m_document);
    copy->CopyEvents(&m_sources);
    copy->CopyInfo(7, "seven", 6);
    copy->CopyInfo(7, "later", 6);
    apply(copy.get());
    EXPECT_EQ(copy->GetDataOut(), nullptr) << "the clipboard has the data source now";
    EXPECT_EQ(copy->GetDocument(), nullptr);
    EXPECT_EQ(copy->GetEvents().GetCount(), 7);
    EXPECT_EQ(copy->GetDataInfo().GetEventType(), -2) << "elements of several kinds";
    ASSERT_NE(m_clipboard.data(), nullptr);
    EXPECT_TRUE(m_clipboard.data()->hasFormat(kMusicDataFormat));
    EXPECT_TRUE(m_clipboard.data()->hasFormat(kMusicInfoFormat));

    EXPECT_EQ(CCPaste::ClipboardHasFormat(MCClipFormat(kMusicDataFormat), 0), 1);
    EXPECT_EQ(CCPaste::ClipboardHasValidData(), 0);
    const plat::RefPtr<CCPaste> pasted = paste();
    expectSameRecords(pasted->GetEvents(), copy->GetEvents());
    ASSERT_NE(pasted->GetInfo(7), nullptr);
    EXPECT_STREQ(static_cast<const char*>(pasted->GetInfo(7)), "seven");
    EXPECT_EQ(pasted->GetInfo(8), nullptr);
    EXPECT_EQ(pasted->GetDataInfo()->GetEventType(), -2);

    // Applied again, the copy makes a new data source and offers the data anew.
    const auto first = m_clipboard.data();
    apply(copy.get());
    EXPECT_NE(m_clipboard.data(), first);
    EXPECT_TRUE(m_clipboard.data()->hasFormat(kMusicDataFormat));
}

TEST_F(CopyPasteTest, TheDocumentIsSetOnTheArchivesBothWays)
{
    auto* note = new ContextNote;
    m_sources.AddEvent(note, 0);
    copySources();
    EXPECT_EQ(ContextNote::s_storedFor, &m_document);
    int target = 0;
    plat::RefPtr<CCPaste> command(new CCPaste);
    command->SetDocument(&target);
    apply(command.get());
    EXPECT_EQ(command->GetEvents().GetCount(), 1);
    EXPECT_EQ(ContextNote::s_loadedFor, &target);
}

TEST_F(CopyPasteTest, ACopyOfNothingLeavesTheClipboardAlone)
{
    auto before = std::make_shared<plat::ClipData>();
    m_clipboard.setData(before);
    plat::RefPtr<CCCopy> copy(new CCCopy);
    copy->SetDocument(&m_document);
    apply(copy.get());
    EXPECT_EQ(m_clipboard.data(), before);
    EXPECT_NE(copy->GetDataOut(), nullptr) << "kept: it never reached the clipboard";
}

TEST_F(CopyPasteTest, TheFormatSaysWhatAPasteReads)
{
    fillSources();
    copySources();
    const unsigned short info = MCClipFormat(kMusicInfoFormat);
    const unsigned short data = MCClipFormat(kMusicDataFormat);

    const auto infoOnly = paste(info);
    EXPECT_TRUE(infoOnly->GetEvents().IsEmpty());
    EXPECT_NE(infoOnly->GetDataInfo(), nullptr);
    const auto dataOnly = paste(data);
    EXPECT_EQ(dataOnly->GetEvents().GetCount(), m_sources.GetCount());
    EXPECT_EQ(dataOnly->GetDataInfo(), nullptr);
    const auto other = paste(MCClipFormat("Quavix other format"));
    EXPECT_TRUE(other->GetEvents().IsEmpty());
    EXPECT_EQ(other->GetDataInfo(), nullptr);
    EXPECT_EQ(other->HasFormat(data, 0), 1);
    EXPECT_EQ(other->HasFormat(data, 1), 0);

    m_clipboard.setData(nullptr);
    const auto empty = paste();
    EXPECT_TRUE(empty->GetEvents().IsEmpty());
    EXPECT_EQ(empty->GetDataInfo(), nullptr);
    EXPECT_EQ(CCPaste::ClipboardHasFormat(data, 0), 0);
    EXPECT_EQ(plat::RefPtr<CCPaste>(new CCPaste)->HasFormat(data, 0), 0) << "no data-in object yet";
}

TEST_F(CopyPasteTest, DoCopyEventsMakesIndependentCopies)
{
    MCEventList dest;
    dest.AddEvent(new TENote(9.0f), 0);
    MCEventList none;
    EXPECT_EQ(CCCopy::DoCopyEvents(dest, none, nullptr), 0);
    ASSERT_EQ(dest.GetCount(), 1);
    EXPECT_EQ(dest.GetHead()->GetTime()->GetSeconds(), 9.0f) << "left as it was";

    fillSources();
    ASSERT_EQ(CCCopy::DoCopyEvents(dest, m_sources, nullptr), 1);
    expectSameRecords(dest, m_sources);
    // Changing a copy leaves its source alone.
    ECBase* chordCopy = dest.GetHead();
    chordCopy->RemoveChildren(1);
    EXPECT_EQ(m_sources.GetHead()->GetChildren()->GetCount(), 2);
    takeApart(dest);

    plat::RefPtr<ECBase> single(CCCopy::DoCopyEvent(m_sources.GetTail(), nullptr));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->GetRefCount(), 1u) << "no list holds the copy";
    EXPECT_EQ(storeObject(single.get()), storeObject(m_sources.GetTail()));
    EXPECT_EQ(CCCopy::DoCopyEvent(nullptr, nullptr), nullptr);
}

// The clipboard may hold anything any program wrote: every cut and every damaged byte of a
// payload pastes without a crash (the sanitizer build checks what the normal one cannot), a
// cut one pastes nothing, and nothing read is leaked.
TEST_F(CopyPasteTest, DamagedPayloadsPasteNothingOrWhatTheyHold)
{
    fillSources();
    const auto copied = copySources();
    const std::vector<uint8_t> data = *copied->data(kMusicDataFormat);
    const std::vector<uint8_t> info = *copied->data(kMusicInfoFormat);
    const auto offer = [this](const char* format, std::vector<uint8_t> bytes) {
        auto clip = std::make_shared<plat::ClipData>();
        clip->setData(format, std::move(bytes));
        m_clipboard.setData(clip);
    };

    for (size_t length = 0; length < data.size(); ++length) {
        offer(kMusicDataFormat, std::vector<uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length)));
        EXPECT_TRUE(paste()->GetEvents().IsEmpty()) << length;
    }
    for (size_t length = 0; length < info.size(); ++length) {
        offer(kMusicInfoFormat, std::vector<uint8_t>(info.begin(), info.begin() + static_cast<std::ptrdiff_t>(length)));
        EXPECT_EQ(paste()->GetDataInfo(), nullptr) << length;
    }
    for (size_t i = 0; i < data.size(); ++i) {
        for (const uint8_t value : {uint8_t(data[i] ^ 0xFF), uint8_t(0), uint8_t(data[i] + 1)}) {
            std::vector<uint8_t> damaged = data;
            damaged[i] = value;
            offer(kMusicDataFormat, damaged);
            const auto pasted = paste();
            EXPECT_LE(pasted->GetEvents().GetCount(), 0xFFFF) << i;
        }
    }
    offer(kMusicDataFormat, data);
    EXPECT_EQ(paste()->GetEvents().GetCount(), m_sources.GetCount()) << "the whole payload still pastes";

    // A list whose later element holds an earlier one as its child: cut inside the later one,
    // the earlier one, read whole, must not be left linked to it.
    auto* child = new CountedNote(1.0f);
    auto* parent = new TEMeasure;
    parent->AddChild(child, 1);
    MCEventList linked;
    linked.AddEvent(child, 0);
    linked.AddEvent(parent, 0);
    MCOleDataOut out;
    ASSERT_EQ(out.CacheEvents(linked), 1);
    const std::vector<uint8_t> linkedData = *out.GetData()->data(kMusicDataFormat);
    for (size_t length = 0; length < linkedData.size(); ++length) {
        offer(kMusicDataFormat,
              std::vector<uint8_t>(linkedData.begin(), linkedData.begin() + static_cast<std::ptrdiff_t>(length)));
        EXPECT_TRUE(paste()->GetEvents().IsEmpty()) << length;
    }
    offer(kMusicDataFormat, linkedData);
    EXPECT_EQ(paste()->GetEvents().GetCount(), 2);
    parent->RemoveChildren(1);
}

TEST_F(CopyPasteTest, ADragOffersTheDataToTheDropTargetOnly)
{
    fillSources();
    auto before = std::make_shared<plat::ClipData>();
    m_clipboard.setData(before);
    plat::MemoryDragDrop drag;
    const plat::DragDrop::ScopedInstall installed(drag);
    int dropped = 0;
    drag.setTarget([this, &dropped](const plat::ClipData& data, uint32_t allowed) {
        plat::RefPtr<CCDrop> drop(new CCDrop);
        drop->SetDocument(&m_document);
        drop->SetDataObject(std::make_shared<plat::ClipData>(data));
        apply(drop.get());
        dropped = drop->GetEvents().GetCount();
        EXPECT_NE(drop->GetDataObject(), nullptr) << "given back after the read";
        return allowed & plat::DropEffect::move;
    });

    plat::RefPtr<CCDrag> command(new CCDrag);
    command->SetDocument(&m_document);
    command->CopyEvents(&m_sources);
    command->SetDragDelay(321);
    command->SetDragMinDist(12);
    apply(command.get());
    ASSERT_NE(command->GetDataOut(), nullptr);
    EXPECT_EQ(command->GetDropEffect(), plat::DropEffect::copy | plat::DropEffect::move);

    const int delay = plat::DragDrop::dragDelay();
    EXPECT_EQ(command->DoDragDrop(), plat::DropEffect::none) << "the press never became a drag";
    EXPECT_EQ(drag.lastDragDelay(), 321);
    EXPECT_EQ(drag.lastDragMinDistance(), 12);
    EXPECT_EQ(plat::DragDrop::dragDelay(), delay) << "the process-wide delay is put back";
    EXPECT_EQ(dropped, 0);

    drag.setBeginsDrag(true);
    command->SetDropEffect(plat::DropEffect::copy | plat::DropEffect::move);
    EXPECT_EQ(command->DoDragDrop(), plat::DropEffect::move);
    EXPECT_EQ(command->GetDropEffect(), plat::DropEffect::move);
    EXPECT_EQ(dropped, m_sources.GetCount());
    EXPECT_EQ(m_clipboard.data(), before) << "a drag leaves the clipboard alone";
    EXPECT_EQ(CCDrag::DragDetect(nullptr), 1);
}

TEST_F(CopyPasteTest, AQuickDragBeginsAtOnceAndTheRightButtonMayEndIt)
{
    fillSources();
    plat::MemoryDragDrop drag;
    const plat::DragDrop::ScopedInstall installed(drag);
    drag.setTarget([](const plat::ClipData&, uint32_t) { return plat::DropEffect::copy; });
    // Dragged with the right button held, then let go.
    drag.setButtonsDuringDrag({plat::MouseButton::right, 0});

    struct Case {
        uint32_t pressedAtStart;
        uint32_t expected;
    };
    for (const Case& c : {Case{plat::MouseButton::left, plat::DropEffect::none},
                          Case{plat::MouseButton::right, plat::DropEffect::copy}}) {
        drag.setPressedButtons(c.pressedAtStart);
        plat::RefPtr<CCDrag> command(new CCDrag);
        command->CopyEvents(&m_sources);
        command->SetQuickDrag(1);
        apply(command.get());
        EXPECT_EQ(command->DoDragDrop(), c.expected) << c.pressedAtStart;
    }
}

TEST_F(CopyPasteTest, ADropWithoutDroppedDataReadsTheClipboard)
{
    fillSources();
    copySources();
    plat::RefPtr<CCDrop> drop(new CCDrop);
    drop->SetDocument(&m_document);
    apply(drop.get());
    EXPECT_EQ(drop->GetEvents().GetCount(), m_sources.GetCount());
}

TEST_F(CopyPasteTest, WhatNoPieceTookGoesWithThePaste)
{
    auto* measure = new TEMeasure;
    measure->AddChild(new CountedNote(1.0f), 1);
    measure->AddChild(new CountedNote(1.5f), 1);
    m_sources.AddEvent(measure, 0);
    m_sources.AddEvent(new CountedNote(2.0f), 0);
    copySources();
    const int sources = CountedNote::s_alive;
    ASSERT_EQ(sources, 3);
    {
        const auto pasted = paste();
        EXPECT_EQ(CountedNote::s_alive, 2 * sources);
        ECBase* lone = pasted->GetEvents().GetTail();
        ASSERT_EQ(lone->runtimeClass(), &CountedNote::classObject);
        apply(new CCAdd(lone, measureAt(1, 2.0f), FCMidi::MidiNull()));
    }
    EXPECT_EQ(CountedNote::s_alive, sources + 1) << "the measure's notes went with the paste, the note put into the piece stays";
}
