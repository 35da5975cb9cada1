#include "inspector/tests/StaffPagesTestSupport.h"

#include "inspector/pages/PCPerformance.h"
#include "interface/document/MCOpusHeader.h"
#include "notabase/commands/MCCommandList.h"
#include "platform/ui/dialog/ItemId.h"

#include <QLabel>

#include <ctime>
#include <memory>

namespace {

using namespace documenttest;

class DocumentInfoPageTest : public DocumentTest {
protected:
    void Show()
    {
        m_selection.RemoveAll();
        m_selection.AddTail(m_doc.GetBaseEvent());
        m_page.SetDocument(&m_doc);
        m_page.SetEventList(&m_selection);
        m_page.UpdatePage();
        m_page.onSetActive();
        m_page.updateData(false);
    }
    QString Text(int id) { return plat::ui::item<QLabel>(&m_page, id)->text(); }
    int IconKind() { return plat::ui::item<QLabel>(&m_page, PCPerformance::kIcon)->property("iconKind").toInt(); }

    MCOpusDoc m_doc;
    MCEventList m_selection;
    PCPerformance m_page;
};

TEST_F(DocumentInfoPageTest, ANewDocumentShowsItsTitleAndNoFile)
{
    ASSERT_TRUE(m_doc.OnNewDocument());
    m_doc.SetTitle("Sonata.kvd");
    Show();
    EXPECT_EQ(Text(PCPerformance::kFileName), "Sonata");
    EXPECT_EQ(Text(PCPerformance::kPath), "");
    EXPECT_EQ(Text(PCPerformance::kCreated), "");
    EXPECT_EQ(IconKind(), PCPerformance::kNativeIcon);
    // Apply changes nothing.
    MCCommandList commands;
    m_page.UpdateEvent(m_doc.GetBaseEvent(), commands);
    EXPECT_TRUE(commands.IsEmpty());
    m_page.SetModifiedFlag(true);
    EXPECT_TRUE(m_page.onApply());
    std::string undo;
    EXPECT_FALSE(m_doc.OnUpdateEditUndo(undo));
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocumentInfoPageTest, TheFileTimesAndTheIconFollowTheFile)
{
    struct Case {
        int format;
        int icon;
    };
    for (const Case& c : {Case{MCOpusHeader::formatNative, PCPerformance::kNativeIcon},
                          Case{MCOpusHeader::formatMidi0, PCPerformance::kMidiIcon},
                          Case{MCOpusHeader::formatMidi1, PCPerformance::kMidiIcon},
                          Case{MCOpusHeader::formatMidi2, PCPerformance::kMidiIcon},
                          Case{MCOpusHeader::formatUnknown, PCPerformance::kNativeIcon}}) {
        SCOPED_TRACE(c.format);
        ASSERT_TRUE(m_doc.OnNewDocument());
        const std::string path = File("Etude.mid");
        writeFile(path, {'M', 'T', 'h', 'd'});
        m_doc.SetPathName(path, 0);
        m_doc.GetHeader()->SetFormat(c.format);
        Show();
        EXPECT_EQ(Text(PCPerformance::kFileName), "Etude");
        EXPECT_EQ(Text(PCPerformance::kPath).toStdString(), path);
        EXPECT_EQ(IconKind(), c.icon);
        EXPECT_FALSE(Text(PCPerformance::kModified).isEmpty());
    }
    // The time reads as the weekday, the date and the 12-hour time of the local zone.
    std::tm moment{};
    moment.tm_year = 2024 - 1900;
    moment.tm_mon = 2;
    moment.tm_mday = 5;
    moment.tm_hour = 14;
    moment.tm_min = 7;
    moment.tm_sec = 9;
    moment.tm_isdst = -1;
    const int64_t seconds = std::mktime(&moment);
    EXPECT_EQ(PCPerformance::FormatFileTime(seconds), "Tuesday, March 05, 2024 02:07:09 PM");
    EXPECT_EQ(PCPerformance::FormatFileTime(0), "");
}

TEST_F(DocumentInfoPageTest, ASaveUnderAnotherNameShowsTheNewFileAtOnce)
{
    ASSERT_TRUE(m_doc.OnNewDocument());
    const std::string first = File("Nocturne.mid");
    const std::string second = File("Nocturne copy.mid");
    writeFile(first, {'M', 'T', 'h', 'd'});
    writeFile(second, {'M', 'T', 'h', 'd'});
    m_doc.SetPathName(first, 0);
    Show();
    ASSERT_EQ(Text(PCPerformance::kPath).toStdString(), first);

    // No new selection comes with a Save As: the page follows the document's name by itself.
    m_doc.SetPathName(second, 0);
    EXPECT_EQ(Text(PCPerformance::kFileName), "Nocturne copy");
    EXPECT_EQ(Text(PCPerformance::kPath).toStdString(), second);

    // A page that has let go of the document no longer follows it.
    m_page.SetDocument(nullptr);
    m_doc.SetPathName(first, 0);
    EXPECT_EQ(Text(PCPerformance::kPath).toStdString(), second);
}

TEST_F(DocumentInfoPageTest, ADocumentThatClosedLeavesNothingShown)
{
    auto closing = std::make_unique<MCOpusDoc>();
    ASSERT_TRUE(closing->OnNewDocument());
    const std::string path = File("Prelude.mid");
    writeFile(path, {'M', 'T', 'h', 'd'});
    closing->SetPathName(path, 0);
    closing->GetHeader()->SetFormat(MCOpusHeader::formatMidi1);
    m_selection.RemoveAll();
    m_selection.AddTail(closing->GetBaseEvent());
    m_page.SetDocument(closing.get());
    m_page.SetEventList(&m_selection);
    m_page.UpdatePage();
    m_page.onSetActive();
    m_page.updateData(false);
    ASSERT_EQ(Text(PCPerformance::kFileName), "Prelude");

    // The inspector lets go of the document as it closes; the page refreshes without one.
    m_page.SetDocument(nullptr);
    m_page.SetEventList(nullptr);
    m_selection.RemoveAll();
    closing.reset();
    m_page.UpdatePage();
    m_page.updateData(false);
    for (const int id : {PCPerformance::kFileName, PCPerformance::kPath, PCPerformance::kCreated,
                         PCPerformance::kModified, PCPerformance::kAccessed})
        EXPECT_EQ(Text(id), "") << id;
    EXPECT_EQ(IconKind(), 0);
    EXPECT_TRUE(plat::ui::item<QLabel>(&m_page, PCPerformance::kIcon)->pixmap().isNull());
    EXPECT_TRUE(m_page.GetFileName().empty());
}

TEST_F(DocumentInfoPageTest, Screenshot)
{
    ASSERT_TRUE(m_doc.OnNewDocument());
    const std::string path = File("Nocturne.mid");
    writeFile(path, {'M', 'T', 'h', 'd'});
    m_doc.SetPathName(path, 0);
    m_doc.GetHeader()->SetFormat(MCOpusHeader::formatMidi1);
    Show();
    m_page.resize(m_page.GetSize().expandedTo(QSize(320, 200)));
    m_page.show();
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-document-info").empty());
}

}  // namespace
