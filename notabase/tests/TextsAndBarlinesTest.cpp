#include "notabase/model/ECBarline.h"
#include "notabase/model/ECChordSymbol.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECLyricBlock.h"
#include "notabase/model/ECText.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

class TextsAndBarlinesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int type = 0; type <= ECText::lastType; ++type)
            m_pointSizes.push_back(ECText::GetDefaultPointSize(static_cast<unsigned char>(type)));
    }
    void TearDown() override
    {
        for (size_t type = 0; type < m_pointSizes.size(); ++type)
            ECText::SetDefaultPointSize(static_cast<unsigned char>(type), static_cast<unsigned short>(m_pointSizes[type]));
        ECChordSymbol::EndParse();
    }

    ModelStateGuard m_guard;
    std::vector<int> m_pointSizes;
};

template <class T>
std::unique_ptr<T> roundTrip(const T& element)
{
    const auto bytes = storeObject(&element);
    std::unique_ptr<T> loaded(plat::dynamicDowncast<T>(loadObject(bytes)));
    EXPECT_TRUE(loaded);
    if (loaded) {
        EXPECT_EQ(storeObject(loaded.get()), bytes) << element.runtimeClass()->name << " stores what it loaded";
    }
    return loaded;
}

std::vector<std::pair<int, std::string>> tokens(const std::string& text)
{
    std::vector<std::pair<int, std::string>> result;
    ECChordSymbol::BeginParse(text);
    for (int guard = 0; guard < 100; ++guard) {
        std::string token;
        const int code = ECChordSymbol::Parse(token);
        result.emplace_back(code, token);
        if (code < 0)
            break;
    }
    ECChordSymbol::EndParse();
    return result;
}

TEST_F(TextsAndBarlinesTest, TextsTakeSizeAndPlaceFromTheirType)
{
    const int sizes[] = {10, 9, 10, 10, 10, 10, 10, 12, 24, 14, 10, 10, 10, 24, 12, 12, 12, 10, 10, 10, 10};
    for (int type = 0; type <= 20; ++type) {
        ECText text(static_cast<unsigned char>(type), "x");
        EXPECT_EQ(text.GetPointSize(), sizes[type]) << type;
        std::vector<int> parents;
        text.GetParentTypes(parents);
        const std::vector<int> expected = type == 2 ? std::vector<int>{}
                                          : (type == 0 || type == 3 || type == 4) ? std::vector<int>{55}
                                                                                  : std::vector<int>{17};
        EXPECT_EQ(parents, expected) << type;
        EXPECT_EQ(ECText::IsTitlePageText(static_cast<unsigned char>(type)),
                  type == 1 || type == 3 || type == 4 || (type >= 7 && type <= 13) || type >= 16)
            << type;
    }
    std::vector<int> none;
    EXPECT_EQ(ECText(21, "x").GetParentTypes(none), 0);
    EXPECT_EQ(ECText(21, "x").GetPointSize(), 10) << "outside the table: the size of plain text";
    EXPECT_EQ(ECText::IsTitlePageText(21), 0);

    ECText::SetDefaultPointSize(ECText::typeTitle, 30);
    ECText::SetDefaultPointSize(200, 50);
    EXPECT_EQ(ECText(ECText::typeTitle, "Sonata").GetPointSize(), 30);
    EXPECT_EQ(ECText::GetDefaultPointSize(200), 10);

    ECText plain;
    EXPECT_EQ(plain.GetTextType(), 0);
    EXPECT_EQ(plain.GetText(), "");
    EXPECT_EQ(plain.GetPointSize(), 10);
    EXPECT_EQ(plain.IsBold() + plain.IsItalic() + plain.IsUnderline(), 0);
}

TEST_F(TextsAndBarlinesTest, StyleBitsAndComparisons)
{
    ECText title(ECText::typeTitle, "Sonata");
    title.SetBold(3);
    title.SetItalic(1);
    title.SetPointSize(300);
    EXPECT_EQ(title.IsBold(), 1) << "the low bit";
    EXPECT_EQ(title.IsItalic(), 1);
    EXPECT_EQ(title.IsUnderline(), 0);
    EXPECT_EQ(title.GetPointSize(), 300 & 0xFF);
    title.SetBold(2);
    EXPECT_EQ(title.IsBold(), 0);

    ECText other(ECText::typeTitle, "Sonata");
    EXPECT_TRUE(other != title);
    other.Copy(&title);
    EXPECT_TRUE(other == title);
    other.SetUnderline(1);
    EXPECT_TRUE(other != title);
    other.SetUnderline(0);
    other.SetText("Suite");
    EXPECT_TRUE(other != title);
    MCTime t(3.0f);
    title.SetTime(&t);
    ECText copied(title);
    EXPECT_EQ(copied.GetTime()->GetSeconds(), 3.0f);
    EXPECT_TRUE(copied == title);
}

TEST_F(TextsAndBarlinesTest, TextLinesBreakAtEveryRunOfLineEnds)
{
    const struct {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\n\r\nb", {"a", "b"}},
        {"one\ntwo\rthree", {"one", "two", "three"}},
        {"\n\nlead and trail\r\n", {"lead and trail"}},
        {"", {}},
        {"\r\n", {}},
        {"single", {"single"}},
    };
    for (const auto& c : cases) {
        ECText text(0, c.text);
        std::vector<std::string> lines{"stale"};
        EXPECT_EQ(text.GetTextLines(lines), static_cast<int>(c.lines.size())) << c.text;
        EXPECT_EQ(lines, c.lines) << c.text;
    }
}

TEST_F(TextsAndBarlinesTest, LyricsKeepVerseAuxiliaryTypeAndDuration)
{
    ECLyric lyric("la");
    EXPECT_EQ(lyric.GetTextType(), 0);
    EXPECT_EQ(lyric.GetDuration()->GetSeconds(), 0.0f);
    lyric.SetVerse(64 + 5);
    lyric.SetAuxType(7);
    EXPECT_EQ(lyric.GetVerse(), 5);
    EXPECT_EQ(lyric.GetAuxType(), 3);
    lyric.SetAuxType(1);
    EXPECT_EQ(lyric.GetVerse(), 5) << "the fields share a byte";
    MCTime half(0.5f);
    lyric.SetDuration(&half);
    std::vector<int> parents;
    lyric.GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{32});

    ECLyric assigned("lo");
    MCTime two(2.0f);
    assigned.SetDuration(&two);
    assigned.Copy(&lyric);
    EXPECT_TRUE(assigned == lyric);
    EXPECT_EQ(assigned.GetDuration()->GetSeconds(), 2.0f);
    EXPECT_EQ(ECLyric(lyric).GetDuration()->GetSeconds(), 0.5f);
    assigned.SetVerse(6);
    EXPECT_TRUE(assigned != lyric);

    MCTime t(7.0f);
    lyric.SetTime(&t);
    const auto loaded = roundTrip(lyric);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(*loaded == lyric);
    EXPECT_EQ(loaded->GetDuration()->GetSeconds(), 0.5f);

    // Before version 3 a lyric is its text alone, of verse 1; its auxiliary type stays.
    OldRecord v2(2);
    v2.timedHead(1.0f, 0).u8(0).string("old").i32(0x0A00);
    ECLyric into("x");
    into.SetAuxType(2);
    into.SetVerse(9);
    loadOldRecordInto(into, v2);
    EXPECT_EQ(into.GetText(), "old");
    EXPECT_EQ(into.GetVerse(), 1);
    EXPECT_EQ(into.GetAuxType(), 2);
    EXPECT_EQ(into.GetPointSize(), 10);
}

TEST_F(TextsAndBarlinesTest, LyricBlocksAreLyricsOfThePerformance)
{
    ECLyricBlock block("Kyrie eleison");
    EXPECT_EQ(block.GetEventId(), 31);
    EXPECT_EQ(block.GetTextType(), 0);
    std::vector<int> parents;
    block.GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{44});

    // Copied and compared as a lyric: a copy takes the duration, an assignment does not.
    block.SetVerse(3);
    block.SetAuxType(1);
    MCTime whole(8.0f);
    block.SetDuration(&whole);
    ECLyricBlock copy(block);
    EXPECT_TRUE(copy == block);
    EXPECT_EQ(copy.GetDuration()->GetSeconds(), 8.0f);
    ECLyricBlock into("x");
    into.Copy(&block);
    EXPECT_TRUE(into == block);
    EXPECT_EQ(into.GetDuration()->GetSeconds(), 0.0f);
    into.SetText("Christe eleison");
    EXPECT_TRUE(into != block);

    // A block of a version 2 document is its text alone, of verse 1.
    OldRecord v2(2);
    v2.timedHead(0.0f, 0).u8(0).string("old words").i32(0x0A00);
    const auto old = loadOldRecord<ECLyricBlock>(v2);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->GetText(), "old words");
    EXPECT_EQ(old->GetVerse(), 1);
}

TEST_F(TextsAndBarlinesTest, ChordSymbolsPackTheirWord)
{
    ECChordSymbol symbol;
    EXPECT_EQ(symbol.GetChordRoot(), 1);
    EXPECT_EQ(symbol.GetChordBass(), 28);
    EXPECT_EQ(symbol.GetChordFlavor(), 28);
    EXPECT_EQ(symbol.GetChordStyle(), 3);
    EXPECT_EQ(symbol.GetChordType(), 1 | 28 << 8 | 28 << 16 | 3 << 24);
    EXPECT_EQ(symbol.GetChordQuality(), "");

    symbol.SetChordRoot(200);
    EXPECT_EQ(symbol.GetChordRoot(), -56) << "read as a signed byte";
    EXPECT_EQ(symbol.GetChordBass(), 28) << "the other bytes stay";

    // The chart bit is kept only for a chord that has a chart.
    symbol.SetChordStyle(3);
    EXPECT_EQ(symbol.GetChordStyle(), 1);
    ECChordSymbol seventh(0, 0, 8, 0);
    seventh.SetChordStyle(3);
    EXPECT_EQ(seventh.GetChordStyle(), 3);
    ECChordSymbol altered(0, 0, 6, 0);
    altered.SetChordStyle(2);
    EXPECT_EQ(altered.GetChordStyle(), 0);

    for (int flavor = -1; flavor <= 30; ++flavor) {
        const bool chart = (flavor >= 0 && flavor <= 5) || flavor == 8 || flavor == 10 || flavor == 11
                           || (flavor >= 19 && flavor <= 27);
        EXPECT_EQ(ECChordSymbol::HasChart(flavor, 0), chart ? 1 : 0) << flavor;
        EXPECT_EQ(ECChordSymbol::HasChart(flavor, -3), chart ? 1 : 0) << flavor;
        EXPECT_EQ(ECChordSymbol::HasChart(flavor, 1), 0) << flavor;
    }

    ECChordSymbol copy;
    seventh.SetChordQuality("7");
    copy.Copy(&seventh);
    EXPECT_TRUE(copy == seventh);
    copy.SetChordQuality("7 alt");
    EXPECT_TRUE(copy != seventh);
    std::vector<int> parents;
    copy.GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{32});

    MCTime t(4.0f);
    seventh.SetTime(&t);
    const auto loaded = roundTrip(seventh);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(*loaded == seventh);
}

TEST_F(TextsAndBarlinesTest, OldChordSymbolsAreRenumbered)
{
    const struct {
        unsigned char oldFlavor, flavor;
        const char* quality;
    } cases[] = {
        {4, 19, "m6"}, {2, 8, "7"}, {0, 0, ""}, {1, 1, "m"}, {3, 2, "^D"}, {17, 3, "^A"}, {16, 27, "7 sus"},
        {18, 28, ""},  {19, 19, "m6"}, {200, 200, ""},
    };
    for (const auto& c : cases) {
        OldRecord v2(2);
        v2.timedHead(0.0f, 0).i32(5 | 0 << 8 | c.oldFlavor << 16 | 1 << 24);
        const auto symbol = loadOldRecord<ECChordSymbol>(v2);
        EXPECT_EQ(static_cast<unsigned char>(symbol->GetChordFlavor()), c.flavor) << int(c.oldFlavor);
        EXPECT_EQ(symbol->GetChordQuality(), c.quality) << int(c.oldFlavor);
        EXPECT_EQ(symbol->GetChordRoot(), 5);
        EXPECT_EQ(symbol->GetChordStyle(), 1);
    }
}

TEST_F(TextsAndBarlinesTest, TheChordTokenizerReadsQualityTexts)
{
    using Tokens = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(tokens("sus[^F9]"), (Tokens{{0, "sus"}, {9, ""}, {8, ""}, {0, "9"}, {-1, ""}}));
    EXPECT_EQ(tokens("^X"), (Tokens{{1, ""}, {-1, ""}}));
    EXPECT_EQ(tokens("]"), (Tokens{{-1, ""}}));
    EXPECT_EQ(tokens(""), (Tokens{{-1, ""}}));
    EXPECT_EQ(tokens("^"), (Tokens{{-1, ""}}));
    EXPECT_EQ(tokens("maj7 (add 9)"), (Tokens{{0, "maj7 (add 9)"}, {-1, ""}}));
    EXPECT_EQ(tokens("^M^N^D^A^H^R^S^F"),
              (Tokens{{1, ""}, {2, ""}, {3, ""}, {4, ""}, {5, ""}, {6, ""}, {7, ""}, {8, ""}, {-1, ""}}));
    EXPECT_EQ(tokens("7[^S5]x"), (Tokens{{0, "7"}, {9, ""}, {7, ""}, {0, "5"}, {-1, ""}})) << "a closing bracket ends";

    // Each thread parses its own text.
    ECChordSymbol::BeginParse("m7[^F5]");
    std::string token;
    EXPECT_EQ(ECChordSymbol::Parse(token), 0);
    EXPECT_EQ(token, "m7");
    Tokens other;
    std::thread([&other] { other = tokens("sus"); }).join();
    EXPECT_EQ(other, (Tokens{{0, "sus"}, {-1, ""}}));
    EXPECT_EQ(ECChordSymbol::Parse(token), 9);
    EXPECT_EQ(ECChordSymbol::Parse(token), 8);
    ECChordSymbol::EndParse();
    EXPECT_EQ(ECChordSymbol::Parse(token), -1);
}

TEST_F(TextsAndBarlinesTest, FlowControlKeepsItsNumbersAndText)
{
    ECFlowControl fine(5);
    EXPECT_EQ(fine.GetText(), "Fine");
    EXPECT_EQ(fine.GetEndingNumber(), 1);
    EXPECT_EQ(fine.GetSequenceNumber(), 0);
    EXPECT_EQ(ECFlowControl(12).GetText(), "D.S. al Coda");
    EXPECT_EQ(ECFlowControl(13).GetText(), "");
    fine.SetText("Fine (2nd time)");
    EXPECT_EQ(fine.GetText(), "Fine (2nd time)");
    std::vector<int> parents;
    fine.GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{17});

    ECFlowControl ending(ECFlowControl::typeEnding);
    ending.SetEndingNumber(3);
    ending.SetSequenceNumber(77);
    ECFlowControl sequence(ECFlowControl::typeSequence);
    sequence.SetSequenceNumber(-4);
    for (ECFlowControl* flow : {&fine, &ending, &sequence}) {
        const auto loaded = roundTrip(*flow);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->GetFlowControlType(), flow->GetFlowControlType());
        EXPECT_EQ(loaded->GetText(), flow->GetText()) << "the user's text is kept";
    }
    EXPECT_EQ(roundTrip(ending)->GetEndingNumber(), 3);
    EXPECT_EQ(roundTrip(ending)->GetSequenceNumber(), 0) << "an ending stores its ending number only";
    EXPECT_EQ(roundTrip(sequence)->GetSequenceNumber(), -4);

    ECFlowControl copy;
    copy.Copy(&ending);
    EXPECT_TRUE(copy == ending);
    copy.SetEndingNumber(4);
    EXPECT_TRUE(copy != ending);
}

TEST_F(TextsAndBarlinesTest, OlderFlowControlRecords)
{
    // Version 0: an ending's number is one byte.
    OldRecord v0(0);
    v0.timedHead(16.0f, 0).u8(ECFlowControl::typeEnding).u8(2);
    const auto ending = loadOldRecord<ECFlowControl>(v0);
    EXPECT_EQ(ending->GetEndingNumber(), 2);
    EXPECT_EQ(ending->GetTime()->GetSeconds(), 16.0f);
    OldRecord v1(1);
    v1.timedHead(16.0f, 0).u8(ECFlowControl::typeEnding).i32(258);
    EXPECT_EQ(loadOldRecord<ECFlowControl>(v1)->GetEndingNumber(), 258);
    OldRecord sequence(0);
    sequence.timedHead(0.0f, 0).u8(ECFlowControl::typeSequence).i32(6);
    EXPECT_EQ(loadOldRecord<ECFlowControl>(sequence)->GetSequenceNumber(), 6);
    OldRecord coda(2);
    coda.timedHead(0.0f, 0).u8(13);
    EXPECT_EQ(loadOldRecord<ECFlowControl>(coda)->GetFlowControlType(), 13);

    // The first layout of the class has no text.
    ECFlowControl dc(6);
    dc.SetText("D.C. (no repeats)");
    auto bytes = storeObject(&dc);
    const size_t textBytes = storeWith([](plat::Archive& archive) { archive.writeString("D.C. (no repeats)"); }).size();
    bytes.resize(bytes.size() - textBytes);
    setStoredSchema(bytes, "ECFlowControl", 2);
    std::unique_ptr<ECFlowControl> old(static_cast<ECFlowControl*>(loadObject(bytes)));
    ASSERT_TRUE(old);
    EXPECT_EQ(old->GetText(), "D.C.");
}

TEST_F(TextsAndBarlinesTest, BarlinesPackTypeAndPosition)
{
    ECBarline barline;
    EXPECT_EQ(barline.GetBarlineType(), 0);
    EXPECT_EQ(barline.GetBarlinePos(), 0);
    barline.SetBarlineType(64 + 9);
    barline.SetBarlinePos(6);
    EXPECT_EQ(barline.GetBarlineType(), 9);
    EXPECT_EQ(barline.GetBarlinePos(), 2);
    barline.SetBarlineType(63);
    EXPECT_EQ(barline.GetBarlinePos(), 2) << "the fields share a byte";
    EXPECT_EQ(barline.GetFlags() & 0xFF, 0) << "the element's own flags are left alone";
    std::vector<int> parents;
    barline.GetParentTypes(parents);
    EXPECT_EQ(parents, std::vector<int>{16});

    ECBarline copy(barline);
    EXPECT_TRUE(copy == barline);
    ECBarline other;
    other.Copy(&barline);
    EXPECT_TRUE(other == barline);

    const auto loaded = roundTrip(barline);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetBarlineType(), 63);
    EXPECT_EQ(loaded->GetBarlinePos(), 2);

    OldRecord v2(2);
    v2.head().u8(0xC5).u8(0xFD);
    const auto old = loadOldRecord<ECBarline>(v2);
    EXPECT_EQ(old->GetBarlineType(), 5);
    EXPECT_EQ(old->GetBarlinePos(), 1);
}

}  // namespace
