// Recovery copies: auto-save keeps a copy of every changed document and forgets it once the
// document is saved or closed; copies that a program which ended left behind are offered at
// the next start, opened, discarded or kept as the user answers.

#include "app/tests/AppTestSupport.h"

#include "interface/document/MCRecovery.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/Profile.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using plat::UserPrompt;

class RecoveryTest : public apptest::FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        SaveIntPreference("Settings\\Save", "CreateBackup", 1);
    }

    // A saved document of staves staves, open and changed since.
    MCOpusDoc* ChangedFile(const std::string& name, int staves)
    {
        {
            MCOpusDoc piece;
            FillPiece(piece, staves, 4);
            piece.GetHeader()->SetFormat(MCOpusHeader::formatNative);
            EXPECT_TRUE(piece.OnSaveDocument(File(name)));
            piece.OnCloseDocument();
        }
        MCOpusDoc* doc = m_template->OpenDocumentFile(File(name));
        if (doc)
            doc->SetModifiedFlag(1);
        return doc;
    }

    // What a program that ended without closing its documents leaves: the copies auto-save
    // wrote, and their records naming a process that no longer runs.
    void EndWithoutClosing()
    {
        for (MCOpusDoc* doc : m_template->GetDocuments()) {
            MCRecovery::SaveCopy(*doc, true);
            doc->SetBackupPath({});
            doc->SetModifiedFlag(0);
            m_template->CloseDocument(doc);
        }
        plat::ui::test::deliverPosted();
        const std::string own = std::to_string(::getpid()) + "\t";
        std::string records = plat::Profile::instance().getString("Settings\\Recovery", "Copies").value_or("");
        for (size_t at = records.find(own); at != std::string::npos; at = records.find(own, at))
            records.replace(at, own.size(), "0\t");
        plat::Profile::instance().setString("Settings\\Recovery", "Copies", records);
    }

    static int Staves(MCOpusDoc& doc)
    {
        return doc.GetBaseEvent()->GetConductor()->GetConductorStaff()->GetMaxStaffNumber();
    }

    static std::vector<fs::path> CopiesInFolder()
    {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::directory_iterator it(MCRecovery::Folder(), error), end; !error && it != end; it.increment(error))
            found.push_back(it->path());
        return found;
    }
};

TEST_F(RecoveryTest, AutoSavedCopiesGoWhenTheirDocumentsAreSavedOrClosed)
{
    MCOpusDoc* titled = ChangedFile("song.kvd", 2);
    ASSERT_NE(titled, nullptr);
    MCOpusDoc* untitled = NewDocument();
    untitled->SetModifiedFlag(1);

    // Without copies for untitled documents, only the titled one's backup takes the copy.
    EXPECT_EQ(MCRecovery::SaveCopy(*untitled, false), 0);
    EXPECT_EQ(MCRecovery::SaveCopy(*titled, false), 1);
    EXPECT_EQ(titled->GetBackupPath(), File("~song.kvd"));
    EXPECT_EQ(MCRecovery::SaveCopy(*untitled, true), 1);
    const std::string untitledCopy = untitled->GetBackupPath();
    EXPECT_EQ(fs::path(untitledCopy).parent_path(), fs::path(MCRecovery::Folder()));
    EXPECT_TRUE(fs::exists(untitledCopy));
    // A copy of the running program is not left behind.
    EXPECT_TRUE(MCRecovery::Left().empty());

    // Saving takes the copy's work into the file; closing without saving drops it.
    ASSERT_EQ(titled->OnFileSave(), 1);
    m_prompts.Answer(UserPrompt::Answer::no);
    EXPECT_EQ(m_template->CloseDocument(untitled), 1);
    EXPECT_FALSE(fs::exists(untitledCopy));
    EXPECT_EQ(m_template->CloseDocument(titled), 1);
    EXPECT_FALSE(fs::exists(File("~song.kvd")));
    EXPECT_EQ(plat::Profile::instance().getString("Settings\\Recovery", "Copies"), std::nullopt);
}

TEST_F(RecoveryTest, CopiesLeftBehindAreOfferedKeptAndOpened)
{
    MCOpusDoc* changed = ChangedFile("song.kvd", 3);
    ASSERT_NE(changed, nullptr);
    const int staves = Staves(*changed);
    ASSERT_GT(staves, Staves(*NewDocument()));
    for (MCOpusDoc* doc : m_template->GetDocuments())
        doc->SetModifiedFlag(1);
    EndWithoutClosing();
    ASSERT_TRUE(fs::exists(File("~song.kvd")));

    // Cancel keeps them for later, out of the way of the document's next backup.
    m_prompts.Answer(UserPrompt::Answer::cancel);
    EXPECT_TRUE(MCRecovery::Offer(*m_template).empty());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    const std::string& text = m_prompts.Texts()[0];
    EXPECT_NE(text.find("song.kvd (" + File("song.kvd") + ")"), std::string::npos) << text;
    EXPECT_NE(text.find("Untitled1 (never saved)"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(File("~song.kvd")));
    EXPECT_EQ(CopiesInFolder().size(), 2u);
    MCOpusDoc* again = m_template->OpenDocumentFile(File("song.kvd"));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(m_template->CloseDocument(again), 1);
    EXPECT_EQ(CopiesInFolder().size(), 2u);

    // Yes opens them as changed untitled documents under their old titles.
    m_prompts.Clear();
    m_prompts.Answer(UserPrompt::Answer::yes);
    const std::vector<MCOpusDoc*> opened = MCRecovery::Offer(*m_template);
    ASSERT_EQ(opened.size(), 2u);
    std::vector<std::string> titles;
    for (MCOpusDoc* doc : opened) {
        titles.push_back(doc->GetTitle());
        EXPECT_TRUE(doc->IsModified());
        EXPECT_TRUE(doc->GetPathName().empty());
        ASSERT_EQ(m_template->GetFrames(doc).size(), 1u);
        EXPECT_TRUE(m_template->GetFrames(doc).front()->isVisible());
    }
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"Untitled1", "song.kvd"}));
    MCOpusDoc* song = opened[0]->GetTitle() == "song.kvd" ? opened[0] : opened[1];
    EXPECT_EQ(Staves(*song), staves) << "the changed piece, not an empty one";
    // The program holds them now: nothing is left behind for another start.
    EXPECT_TRUE(MCRecovery::Left().empty());

    // Each copy goes with its document.
    for (MCOpusDoc* doc : opened) {
        m_prompts.Answer(UserPrompt::Answer::no);
        EXPECT_EQ(m_template->CloseDocument(doc), 1);
    }
    EXPECT_TRUE(CopiesInFolder().empty());
    m_prompts.Clear();
    EXPECT_TRUE(MCRecovery::Offer(*m_template).empty());
    EXPECT_TRUE(m_prompts.Texts().empty()) << "nothing more to offer";
}

TEST_F(RecoveryTest, CopiesLeftBehindAreDeletedWhenDeclined)
{
    ASSERT_NE(ChangedFile("song.kvd", 1), nullptr);
    EndWithoutClosing();
    // A copy from before records were kept is found in the folder all the same.
    fs::create_directories(MCRecovery::Folder());
    fs::copy_file(File("song.kvd"), fs::path(MCRecovery::Folder()) / "~Untitled4.kvd");

    m_prompts.Answer(UserPrompt::Answer::no);
    EXPECT_TRUE(MCRecovery::Offer(*m_template).empty());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_NE(m_prompts.Texts()[0].find("Untitled4 (never saved)"), std::string::npos) << m_prompts.Texts()[0];
    EXPECT_TRUE(CopiesInFolder().empty());
    EXPECT_FALSE(fs::exists(File("~song.kvd")));
    EXPECT_TRUE(fs::exists(File("song.kvd"))) << "the document itself stays";
    EXPECT_TRUE(m_template->GetDocuments().empty());
}

}  // namespace
