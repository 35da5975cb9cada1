// The document manager: opening by path, the open dialog's remembered filter and folder, and
// the set-up pass every document takes (version, file state, views, staff names, wave clips).

#include "AppTestSupport.h"

#include "app/frame/CClientWnd.h"
#include "app/program/MCDocManager.h"
#include "interface/core/MCPaths.h"
#include "interface/midifile/MCMidiFormats.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECWave.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCBase.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/values/MCVoiceMap.h"
#include "platform/core/Strings.h"

#include <QFileDialog>

#include <optional>

namespace {

std::vector<int>* g_codes = nullptr;

int RecordState(ECBase*, int, void* state, void*)
{
    if (g_codes)
        g_codes->push_back(static_cast<SCBase*>(state)->GetCode());
    return 0;
}

class DocManagerTest : public apptest::FrameTest {
protected:
    void SetUp() override
    {
        apptest::FrameTest::SetUp();
        SaveIntPreference("Settings\\Save", "PromptKVD", 0);
        SaveIntPreference("\\PlugIns\\Views\\&Score", "Visible", 0);
        SaveIntPreference("\\PlugIns\\Views\\&Piano Roll", "Visible", 0);
        m_manager = std::make_unique<MCDocManager>(*m_template);
        m_manager->SetMainWindow(m_frame.get());
        g_codes = &m_codes;
        MCStateMgr::SetGlobalHandler(&RecordState, nullptr);
    }
    void TearDown() override
    {
        MCStateMgr::SetGlobalHandler(nullptr, nullptr);
        g_codes = nullptr;
        m_manager.reset();
        apptest::FrameTest::TearDown();
    }

    // A native file with staves and notes.
    std::string SavedPiece(const std::string& name, int staves)
    {
        MCOpusDoc doc;
        FillPiece(doc, staves, 4);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        const std::string path = File(name);
        EXPECT_TRUE(doc.OnSaveDocument(path)) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts().back());
        doc.OnCloseDocument();
        plat::ui::test::deliverPosted();
        m_codes.clear();
        return path;
    }

    std::vector<int> FileStates()
    {
        plat::ui::test::deliverPosted();
        std::vector<int> codes;
        for (int code : m_codes) {
            if (code >= 1300 && code <= 1303)
                codes.push_back(code);
        }
        return codes;
    }

    static std::vector<ECBase*> Find(ECBase* root, int id)
    {
        ACFindEvents find;
        find.AddEvtType(id);
        find.Apply(root);
        std::vector<ECBase*> found;
        MCPosition position = find.GetEvents().GetHeadPosition();
        while (position)
            found.push_back(find.GetEvents().GetNext(position));
        return found;
    }

    std::vector<int> m_codes;
    std::unique_ptr<MCDocManager> m_manager;
};

TEST_F(DocManagerTest, APathInQuotesOpensOnceAndASecondOpenActivatesTheDocument)
{
    const std::string path = SavedPiece("two staves.kvd", 2);
    const std::string quoted = "\"" + path + "\" /trailing";
    MCOpusDoc* doc = m_manager->OpenDocumentFile(quoted.c_str());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetPathName(), path);
    EXPECT_EQ(FileStates(), std::vector<int>{1301});

    // A second document makes the first one inactive.
    ASSERT_NE(NewDocument(), nullptr);
    ASSERT_NE(MCOpusDoc::GetActiveDoc(), doc);
    // Opened again (through a relative path naming the same file): the same document, no new
    // one, and its frame is the active one.
    m_codes.clear();
    const std::string relative = std::filesystem::relative(path).string();
    EXPECT_EQ(m_manager->OpenDocumentFile(relative.c_str()), doc);
    EXPECT_EQ(m_template->GetDocuments().size(), 2u);
    EXPECT_TRUE(FileStates().empty());
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    EXPECT_EQ(m_frame->findChild<QMdiArea*>()->activeSubWindow(), m_template->GetFrames(doc).front());

    EXPECT_EQ(m_manager->OpenDocumentFile(File("missing.kvd").c_str()), nullptr);
    EXPECT_EQ(m_template->GetDocuments().size(), 2u);
}

TEST_F(DocManagerTest, APathLongerThanTheOldBufferOpensWhole)
{
    std::string folder = "deep";
    while (folder.size() < 300)
        folder += "/a folder with a long name";
    std::filesystem::create_directories(File(folder));
    const std::string path = SavedPiece(folder + "/piece.kvd", 1);
    ASSERT_GT(path.size(), 300u);
    MCOpusDoc* doc = m_manager->OpenDocumentFile(("\"" + path + "\"").c_str());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetPathName(), path);
}

TEST_F(DocManagerTest, TheSetUpPassStampsTheVersionAnnouncesTheStateAndShowsTheRememberedViews)
{
    const std::string path = SavedPiece("piece.kvd", 1);
    // Nothing remembered: the first view opens alone.
    MCOpusDoc* opened = m_manager->OpenDocumentFile(path.c_str());
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->GetHeader()->GetVersion(), 4);
    EXPECT_EQ(opened->GetBaseEvent()->GetVersion(), 4);
    EXPECT_FALSE(opened->IsModified());
    MCOpusWnd* score = m_template->GetViewFrame(opened, m_score.GetViewID());
    MCOpusWnd* roll = m_template->GetViewFrame(opened, m_roll.GetViewID());
    ASSERT_NE(score, nullptr);
    ASSERT_NE(roll, nullptr);
    EXPECT_TRUE(score->isVisible());
    EXPECT_FALSE(roll->isVisible());

    // Both remembered as visible: a new document from a template shows both, state 1300.
    SaveIntPreference("\\PlugIns\\Views\\&Score", "Visible", 1);
    SaveIntPreference("\\PlugIns\\Views\\&Piano Roll", "Visible", 1);
    m_codes.clear();
    MCOpusDoc* created = m_manager->OpenTemplate(std::string(QUAVIX_BIN "/Templates/Piano.kvt").c_str());
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->GetPathName().empty());
    EXPECT_EQ(FileStates(), std::vector<int>{1300});
    EXPECT_TRUE(m_template->GetViewFrame(created, m_score.GetViewID())->isVisible());
    EXPECT_TRUE(m_template->GetViewFrame(created, m_roll.GetViewID())->isVisible());
    apptest::saveScreenshot(*m_frame, "docmanager-views.png");
}

TEST_F(DocManagerTest, WithoutViewPluginsADocumentIsSetUpAndShownInItsOwnFrame)
{
    const std::string path = SavedPiece("piece.kvd", 1);
    CPluginView::RemovePlugin(&m_score);
    CPluginView::RemovePlugin(&m_roll);
    MCOpusDoc* doc = m_manager->OpenDocumentFile(path.c_str());
    ASSERT_NE(doc, nullptr) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(FileStates(), std::vector<int>{1301});
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    const std::vector<MCOpusWnd*> frames = m_template->GetFrames(doc);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]->GetViewID(), 0u);
    EXPECT_TRUE(frames[0]->isVisible());
    EXPECT_TRUE(frames[0]->IsActivated());
    EXPECT_EQ(m_frame->Client()->activeSubWindow(), frames[0]);

    // A new document from a template too.
    const std::string templ = SavedPiece("small.kvt", 2);
    MCOpusDoc* made = m_manager->OpenDocumentFile(templ.c_str());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(m_template->GetFrames(made).front()->isVisible());
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), made);
    CPluginView::AddPlugin(&m_score);
    CPluginView::AddPlugin(&m_roll);
}

TEST_F(DocManagerTest, AMidiFileOpensWithTheOpenedFileStateAndItsStavesTakeTheirChannels)
{
    MCMidiFormats::Install();
    // Two notes on channel 3 (status 0x92).
    const std::vector<uint8_t> track = {0x00, 0x92, 60, 100, 0x83, 0x60, 0x82, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0,
                                 static_cast<uint8_t>(track.size())};
    file.insert(file.end(), track.begin(), track.end());
    const std::string path = File("song.mid");
    documenttest::writeFile(path, file);

    MCOpusDoc* doc = m_manager->OpenDocumentFile(path.c_str());
    ASSERT_NE(doc, nullptr) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    EXPECT_EQ(FileStates(), std::vector<int>{1301});
    ECTrack* staff = doc->GetBaseEvent()->GetConductor()->GetTrack(1, 1, 0);
    ASSERT_NE(staff, nullptr);
    auto* data = plat::dynamicDowncast<DCsqTrack>(staff->GetData(0, 0));
    ASSERT_NE(data, nullptr);
    ASSERT_NE(data->GetVoiceMap(0), nullptr);
    EXPECT_EQ(data->GetVoiceMap(0)->GetChannel(), 2u);
}

TEST_F(DocManagerTest, StavesWithoutANameAreNamedByTheirTrack)
{
    MCOpusDoc doc;
    FillPiece(doc, 3, 2);
    ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
    // Staff 1 has a name of its own; staves 2 and 3 have none.
    auto named = [&](int number) -> ECText* {
        auto* data = plat::dynamicDowncast<DCsqTrack>(conductor->GetTrack(1, number, 0)->GetData(0, 1));
        return data ? data->GetTrackName() : nullptr;
    };
    auto* melody = new ECText(3, "Melody");
    melody->SetTime(&MCTime::TimeZero());
    melody->SetVoiceTrack(0, 1);
    auto* add = new CCAdd;
    add->Add(melody, conductor->GetTrack(1, 1, 0), FCMidi::MidiNull());
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    ASSERT_NE(named(1), nullptr);
    ASSERT_EQ(named(2), nullptr);
    m_manager->NameTracks(&doc);
    ASSERT_NE(named(1), nullptr);
    EXPECT_EQ(named(1)->GetText(), "Melody");
    EXPECT_EQ(Find(conductor->GetTrack(1, 1, 0), 59).size(), 1u);
    for (int number = 2; number <= 3; ++number) {
        ASSERT_NE(named(number), nullptr);
        EXPECT_EQ(named(number)->GetText(), plat::format("Track %d", number));
        EXPECT_EQ(named(number)->GetTextType(), 3);
        EXPECT_EQ(named(number)->GetTrack(), number);
    }
    doc.OnCloseDocument();
}

// A document with one wave track and its clips.
class DocManagerWaveTest : public DocManagerTest {
protected:
    void SetUp() override
    {
        DocManagerTest::SetUp();
        FillPiece(m_doc, 1, 2);
        auto* add = new CCAddTrack;
        add->AddWaveTrack(1);
        add->SetSynchronous(1);
        add->Apply(m_doc.GetBaseEvent());
        m_doc.SetModifiedFlag(0);
    }
    void TearDown() override
    {
        m_doc.OnCloseDocument();
        DocManagerTest::TearDown();
    }

    ECWave* AddClip(const std::string& path, float at)
    {
        ECTrack* track = m_doc.GetBaseEvent()->GetConductor()->GetTrack(2, 1, 0);
        EXPECT_NE(track, nullptr);
        auto* clip = new ECWave(MCTime(at), path);
        clip->SetVoiceTrack(0, 1);
        auto* add = new CCAdd;
        add->Add(clip, track, FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_doc.GetBaseEvent());
        return clip;
    }

    std::vector<std::string> Clips()
    {
        std::vector<std::string> paths;
        for (ECBase* clip : Find(m_doc.GetBaseEvent(), 70))
            paths.push_back(static_cast<ECWave*>(clip)->GetFileName());
        return paths;
    }

    std::string Wave(const std::string& name, uint16_t tag, size_t bytes)
    {
        std::vector<uint8_t> out;
        auto put = [&out](uint32_t value, int size) {
            for (int i = 0; i < size; ++i)
                out.push_back(static_cast<uint8_t>(value >> (8 * i)));
        };
        auto id = [&out](const char* text) { out.insert(out.end(), text, text + 4); };
        // 16-bit mono at 8000 Hz.
        id("RIFF");
        put(static_cast<uint32_t>(4 + 24 + 8 + bytes), 4);
        id("WAVE");
        id("fmt ");
        put(16, 4);
        put(tag, 2);
        put(1, 2);
        put(8000, 4);
        put(16000, 4);
        put(2, 2);
        put(16, 2);
        id("data");
        put(static_cast<uint32_t>(bytes), 4);
        out.resize(out.size() + bytes, 0);
        const std::string path = File(name);
        documenttest::writeFile(path, out);
        return path;
    }

    MCOpusDoc m_doc;
};

TEST_F(DocManagerWaveTest, PresentPcmClipsTakeTheirFilesLengthAndLeaveTheDocumentUnmodified)
{
    // One second of 16-bit mono at 8000 Hz.
    const std::string path = Wave("one second.wav", 1, 16000);
    ECWave* clip = AddClip(path, 1.0f);
    m_doc.SetModifiedFlag(0);
    m_manager->RelinkWaves(&m_doc);
    EXPECT_FLOAT_EQ(clip->GetDuration()->GetSeconds(), 1.0f);
    EXPECT_EQ(Clips(), std::vector<std::string>{path});
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(DocManagerWaveTest, UnreadableAndForeignClipsAreRemovedAfterAMessage)
{
    const std::string foreign = Wave("compressed.wav", 2, 400);
    const std::string broken = File("broken.wav");
    documenttest::writeFile(broken, {'R', 'I', 'F', 'F'});
    AddClip(foreign, 0.0f);
    AddClip(broken, 2.0f);
    m_doc.SetModifiedFlag(0);
    m_manager->RelinkWaves(&m_doc);
    EXPECT_TRUE(Clips().empty());
    EXPECT_TRUE(m_doc.IsModified());
    ASSERT_EQ(m_prompts.Texts().size(), 2u);
    EXPECT_EQ(m_prompts.Texts()[0], "Wave file " + foreign + " is not in standard PCM format.");
    EXPECT_EQ(m_prompts.Texts()[1], "Error opening file " + broken + ".");
}

TEST_F(DocManagerWaveTest, AMissingClipIsRelinkedOnYesAndKeptOnNo)
{
    const std::string gone = "C:\\Takes\\vocal.wav";
    const std::string replacement = Wave("vocal.wav", 1, 8000);
    AddClip(gone, 3.0f);
    m_doc.SetModifiedFlag(0);

    // Yes, and a PCM file chosen in the wave open dialog: a new clip at the old time.
    int dialogs = 0;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        ++dialogs;
        auto& chooser = static_cast<QFileDialog&>(dialog);
        chooser.selectFile(QString::fromStdString(replacement));
        static_cast<QDialog&>(chooser).accept();
        return chooser.result();
    };
    {
        plat::ui::ModalHooks::Scoped scoped(hooks);
        m_prompts.Answer(plat::UserPrompt::Answer::yes);
        m_manager->RelinkWaves(&m_doc);
    }
    EXPECT_EQ(dialogs, 1);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "The wave file, " + gone +
                                        ", located on track 1 cannot be found.  Would you like to specify a new path "
                                        "for the wave file?");
    ASSERT_EQ(Clips(), std::vector<std::string>{replacement});
    auto* relinked = static_cast<ECWave*>(Find(m_doc.GetBaseEvent(), 70).front());
    EXPECT_FLOAT_EQ(relinked->GetTime()->GetSeconds(), 3.0f);
    EXPECT_FLOAT_EQ(relinked->GetDuration()->GetSeconds(), 0.5f);
    EXPECT_EQ(relinked->GetTrack(), 1);
    EXPECT_TRUE(m_doc.IsModified());

    // No: the clip whose file is gone stays as it is (its drive may only be missing for now),
    // no dialog opens and the document is unchanged.
    std::filesystem::remove(replacement);
    m_prompts.Clear();
    m_doc.SetModifiedFlag(0);
    {
        plat::ui::ModalHooks::Scoped scoped(hooks);
        m_prompts.Answer(plat::UserPrompt::Answer::no);
        m_manager->RelinkWaves(&m_doc);
    }
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(Clips(), std::vector<std::string>{replacement});
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocManagerTest, TheOpenDialogRemembersTheChosenFilterEntryAndFolder)
{
    const std::string first = SavedPiece("first.kvd", 1);
    std::filesystem::create_directories(File("midi"));
    const std::string second = SavedPiece("midi/second.kvd", 1);
    std::vector<plat::ui::ModalHooks::FileRequest> requests;
    std::optional<std::string> answer;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.chooseFile = [&](const plat::ui::ModalHooks::FileRequest& request) {
        requests.push_back(request);
        return answer;
    };
    std::vector<std::string> opened;
    m_manager->SetFileOpener([&](const std::string& path) {
        opened.push_back(path);
        return m_manager->OpenDocumentFile(path.c_str());
    });
    plat::ui::ModalHooks::Scoped scoped(hooks);

    // Nothing stored: the native entry is offered first, in the user's documents folder.
    answer = first;
    m_manager->OnFileOpen();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].folder, COpenDialog::StartFolder(""));
    EXPECT_EQ(requests[0].filter, "Quavix 6 Files (*.kvd);;All Music Files (*.kvd *.mid *.rmi);;"
                                  "Midi Files (*.mid *.rmi);;All Files (*)");
    EXPECT_EQ(opened, std::vector<std::string>{first});
    EXPECT_EQ(m_manager->OpenDialog().GetDefExt(), "kvd");
    EXPECT_EQ(LoadIntPreference("Settings\\Open", "Extension", 0), 356);
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "Directory", ""), m_dir);

    // A MIDI entry stored: offered first; the next dialog starts where the last file was.
    SaveIntPreference("Settings\\Open", "Extension", 357);
    answer = std::nullopt;
    m_manager->OnFileOpen();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].folder, m_dir);
    EXPECT_EQ(requests[1].filter.rfind("Midi Files (*.mid *.rmi);;", 0), 0u);
    EXPECT_EQ(opened.size(), 1u);

    // A native file chosen while the MIDI entry was offered: the native entry is remembered.
    answer = second;
    m_manager->OnFileOpen();
    EXPECT_EQ(opened.back(), second);
    EXPECT_EQ(LoadIntPreference("Settings\\Open", "Extension", 0), 356);
    EXPECT_EQ(LoadStringPreference("Settings\\Open", "Directory", ""), File("midi"));
    EXPECT_NE(m_manager->OpenDialog().GetFlags() & COpenDialog::kFileMustExist, 0u);
}

}  // namespace
