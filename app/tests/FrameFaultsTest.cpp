// Faults a user met with documents and their frames: a document saved under a new name, Close
// All Windows with several documents, a template opened as a new piece, a file that cannot be
// read.

#include "app/tests/AppTestSupport.h"

#include "app/frame/CClientWnd.h"
#include "interface/document/DocumentStrings.h"
#include "interface/midifile/MCMidiFormats.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

class FrameFaultsTest : public apptest::FrameTest {
protected:
    std::set<std::string> Listing(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    void WritePiece(const std::string& path)
    {
        MCOpusDoc piece;
        FillPiece(piece, 2, 4);
        piece.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_TRUE(piece.OnSaveDocument(path));
        piece.OnCloseDocument();
    }
};

TEST_F(FrameFaultsTest, SaveAsRenamesTheFrameAndListsTheNewFile)
{
    std::vector<std::string> listed;
    const MCOpusDoc::RecentFileHook previousHook =
        MCOpusDoc::SetRecentFileHook([&](const std::string& path) { listed.push_back(path); });
    const MCOpusDoc::SaveDialog previousDialog = MCOpusDoc::SetSaveDialog([this](std::string& name, int& format, int) {
        name = File("new.kvd");
        format = MCOpusHeader::formatNative;
        return true;
    });
    MCOpusDoc* doc = NewDocument();
    MCOpusWnd* frame = m_template->GetFrames(doc).front();
    ASSERT_EQ(frame->windowTitle(), "Untitled1 - Score");
    ASSERT_TRUE(doc->DoSave(File("old.kvd"), 1));
    EXPECT_EQ(frame->windowTitle(), "old.kvd - Score");
    ASSERT_TRUE(doc->OnFileSaveAs());
    EXPECT_EQ(doc->GetPathName(), File("new.kvd"));
    EXPECT_EQ(frame->windowTitle(), "new.kvd - Score");
    EXPECT_EQ(listed, (std::vector<std::string>{File("old.kvd"), File("new.kvd")}));
    MCOpusDoc::SetSaveDialog(previousDialog);
    MCOpusDoc::SetRecentFileHook(previousHook);
}

TEST_F(FrameFaultsTest, CloseAllWindowsClosesEveryDocument)
{
    NewDocument();
    MCOpusDoc* twoFrames = NewDocument();
    m_template->CreateNewFrameClass(twoFrames, nullptr, &MCOpusWnd::classObject, &apptest::ViewB::classObject)
        ->ActivateFrame();
    NewDocument();
    ASSERT_EQ(m_template->GetDocuments().size(), 3u);
    ASSERT_TRUE(m_router.update(39001).enabled);
    ASSERT_TRUE(m_router.execute(39001));
    EXPECT_TRUE(m_template->GetDocuments().empty());
    EXPECT_TRUE(m_frame->Client()->subWindowList().isEmpty());
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
}

TEST_F(FrameFaultsTest, ATemplateOpensAsANewPieceWithoutWritingBesideIt)
{
    const fs::path folder = fs::path(m_dir) / "Templates";
    fs::create_directories(folder);
    const std::string path = (folder / "Piano.kvt").string();
    WritePiece(path);
    const std::set<std::string> before = Listing(folder);
    MCOpusDoc* first = m_template->OpenDocumentTemplate(path);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Listing(folder), before) << "no backup beside the template";
    EXPECT_EQ(first->GetRootStorage(), nullptr) << "the document does not hold the template";
    EXPECT_TRUE(first->GetBackupPath().empty());
    // So the same template opens again at once, and the new pieces save under their own names.
    MCOpusDoc* second = m_template->OpenDocumentTemplate(path);
    ASSERT_NE(second, nullptr) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_NE(first->GetTitle(), second->GetTitle());
    ASSERT_TRUE(first->DoSave(File("mine.kvd"), 1));
    EXPECT_EQ(Listing(folder), before);
    m_template->CloseDocument(first);
    m_template->CloseDocument(second);
    EXPECT_EQ(Listing(folder), before);
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(FrameFaultsTest, AFileThatCannotBeReadIsNamedWithTheReason)
{
    MCMidiFormats::Install();
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty.kvd", {}, "The file is empty."},
        {"empty.mid", {}, "The file is empty."},
        {"noise.kvd", std::vector<uint8_t>(600, 0x5A), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_prompts.Clear();
        const std::string path = File(c.name);
        documenttest::writeFile(path, c.bytes);
        EXPECT_EQ(m_template->OpenDocumentFile(path), nullptr);
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        const std::string& text = m_prompts.Texts()[0];
        const std::string opening =
            "The file cannot be opened by " + DocumentStrings::applicationName() + ".\n\n" + path + "\n";
        EXPECT_EQ(text.rfind(opening, 0), 0u) << text;
        if (c.reason)
            EXPECT_EQ(text.substr(text.rfind('\n') + 1), c.reason);
        else
            EXPECT_GT(text.size(), text.rfind('\n') + 1) << "a reason is given: " << text;
        EXPECT_TRUE(m_template->GetDocuments().empty());
    }
}

}  // namespace
