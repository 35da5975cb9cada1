// Each preference page: what it writes on a fresh store, and its own rules (templates, the
// negated "Obey" values, background pictures, Reset Warnings, filters, routing, thru, the
// metronome's test clicks and note names, the resolution, the wave formats).

#include "preferences/tests/PrefsTestSupport.h"

#include "preferences/dialogs/CInputRoutingDlg.h"
#include "preferences/pages/CMiniImage.h"
#include "preferences/pages/CPrefsPgGeneral.h"
#include "preferences/pages/CPrefsPgMetronome.h"
#include "preferences/pages/CPrefsPgMidiPlay.h"
#include "preferences/pages/CPrefsPgMidiRecord.h"
#include "preferences/pages/CPrefsPgMidiThru.h"
#include "preferences/pages/CPrefsPgSave.h"
#include "preferences/pages/CPrefsPgSync.h"
#include "preferences/pages/CPrefsPgWaveAudio.h"
#include "preferences/pages/CPrefsPgWorkspace.h"
#include "preferences/sheet/CPrefsWnd.h"

#include "interface/controls/MCCheckList.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/core/MCBitmap.h"
#include "interface/dialogs/MCQuantizationDlg.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/document/CPluginView.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace {

using namespace prefstest;

// A sheet holding one page of a registered class, shown.
class OnePage {
public:
    explicit OnePage(const plat::RuntimeClass& pageClass) : m_sheet("Preferences")
    {
        m_page = dynamic_cast<MCPrefsPage*>(pageClass.createObject());
        m_sheet.addPage(m_page, m_page->windowTitle().toStdString());
        m_sheet.show();
    }
    template <class Page>
    Page& page()
    {
        return *dynamic_cast<Page*>(m_page);
    }
    template <class Control>
    Control* item(int id)
    {
        return plat::ui::item<Control>(m_page, id);
    }
    plat::ui::PropertySheet& sheet() { return m_sheet; }

private:
    plat::ui::PropertySheet m_sheet;
    MCPrefsPage* m_page;
};

// A folder of template files, made the one the general page reads.
class TemplateFolder {
public:
    explicit TemplateFolder(std::initializer_list<const char*> names)
    {
        char pattern[] = "/tmp/quavix-prefs-templates-XXXXXX";
        if (::mkdtemp(pattern))
            m_path = pattern;
        for (const char* name : names)
            std::ofstream(m_path + "/" + name) << "template";
        m_previous = CPrefsPgGeneral::SetTemplateFolder(m_path);
    }
    ~TemplateFolder()
    {
        CPrefsPgGeneral::SetTemplateFolder(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

private:
    std::string m_path;
    std::string m_previous;
};

// A view the general page lists.
class ScoreView {
public:
    ScoreView() : m_strings("PrefsTestViews", kStrings), m_view(&MCOpusWnd::classObject, &MCOpusWnd::classObject, "PrefsTestViews", 1, 9300, 1)
    {
        CPluginView::AddPlugin(&m_view);
    }
    ~ScoreView() { CPluginView::RemovePlugin(&m_view); }

private:
    static constexpr plat::Resources::Entry kStrings[] = {{9300, "&Score"}};
    plat::Resources::Registration m_strings;
    CPluginView m_view;
};

std::string FilterLines(const char* section, bool withSysEx)
{
    std::string lines;
    for (const char* name : {"Aftertouch", "Channel Mode", "Controllers", "NRPN", "Notes", "Pitch Bend", "Poly Pressure",
                             "Program Change", "RPN", "SysEx"}) {
        if (withSysEx || std::string(name) != "SysEx")
            lines += std::string(section) + "\\" + name + "=1\n";
    }
    return lines;
}

TEST(PagesGoldenTest, EachPageWritesItsKeysOnAFreshStore)
{
    struct Golden {
        const plat::RuntimeClass* page;
        std::string keys;
    };
    const Golden goldens[] = {
        {&CPrefsPgGeneral::classObject,
         "PlugIns\\Views\\&Score\\Visible=0\n"
         "Settings\\FollowScore=1\n"
         "Settings\\New\\AutoNew=1\n"
         "Settings\\New\\AutoTemplate=Single Staff\n"
         "Settings\\PlayNotes=1\n"
         "Settings\\UndoLevels=10\n"},
        {&CPrefsPgWorkspace::classObject,
         "Components\\Glyphtray\\AutoCollapse=0\n"
         "Components\\Inspector\\AutoCollapse=0\n"
         "Components\\Inspector\\AutoHide=1\n"
         "Settings\\Background\\Image=24576\n"
         "Settings\\Background\\Module=Backdrape\n"
         "Settings\\Color\\Highlight=65280\n"
         "Settings\\Color\\Selection=255\n"},
        {&CPrefsPgSave::classObject,
         "Sequencer\\Midi\\Save\\Ignore Filters=0\n"
         "Sequencer\\Midi\\Save\\Ignore Repeats=0\n"
         "Sequencer\\Midi\\Save\\Ignore Track State=1\n"
         "Settings\\Save\\AutoSave=1\n"
         "Settings\\Save\\AutoSaveNew=0\n"
         "Settings\\Save\\AutoSavePeriod=10\n"
         "Settings\\Save\\CreateBackup=1\n"
         "Settings\\Save\\PromptKVD=1\n"},
        {&CPrefsPgMidiPlay::classObject,
         "Sequencer\\Midi\\Play\\AutoMute Tracks=1\n"
         "Sequencer\\Midi\\Play\\Default Device=0\n" +
             FilterLines("Sequencer\\Midi\\Play\\Filter", true) +
             "Sequencer\\Midi\\Play\\Play Default Device=0\n"
             "Sequencer\\Midi\\Play\\Thin Aftertouch=0\n"
             "Sequencer\\Midi\\Play\\Thin Controllers=0\n"
             "Sequencer\\Midi\\Play\\Thin Pitch Bend=0\n"},
        {&CPrefsPgMidiRecord::classObject,
         "Sequencer\\Midi\\Record\\Default Device=0\n" + FilterLines("Sequencer\\Midi\\Record\\Filter", false)},
        {&CPrefsPgMidiThru::classObject,
         "Sequencer\\Midi\\Thru\\AutoSetRecord=1\n"
         "Sequencer\\Midi\\Thru\\AutoSetSelect=1\n"
         "Sequencer\\Midi\\Thru\\Channel=0\n"
         "Sequencer\\Midi\\Thru\\Device=0\n"},
        {&CPrefsPgWaveAudio::classObject,
         // Matching formats: the input takes the output's.
         "Sequencer\\WaveAudio\\Default Input Device=0\n"
         "Sequencer\\WaveAudio\\Default Input Format=9\n"
         "Sequencer\\WaveAudio\\Default Output Device=0\n"
         "Sequencer\\WaveAudio\\Default Output Format=9\n"
         "Sequencer\\WaveAudio\\Match Formats=1\n"
         "Sequencer\\WaveAudio\\Track Count=0\n"},
        {&CPrefsPgMetronome::classObject,
         "Sequencer\\Midi\\Metronome\\Channel=10\n"
         "Sequencer\\Midi\\Metronome\\Device=0\n"
         "Sequencer\\Midi\\Metronome\\Pitch 1=76\n"
         "Sequencer\\Midi\\Metronome\\Pitch 2=77\n"
         "Sequencer\\Midi\\Metronome\\Play Enable=0\n"
         "Sequencer\\Midi\\Metronome\\Record Enable=1\n"
         "Sequencer\\Midi\\Metronome\\Source=1\n"
         "Sequencer\\Midi\\Metronome\\Velocity 1=127\n"
         "Sequencer\\Midi\\Metronome\\Velocity 2=127\n"},
        {&CPrefsPgSync::classObject,
         "Sequencer\\GlobalPPQ=" + std::to_string(MCTime::GlobalPPQ) + "\n" + "Sequencer\\Sync\\Buffer Mode=0\n"},
    };
    InitPrefs();
    ScoreView view;
    TemplateFolder templates({"Piano.kvt", "Single Staff.KVT", "Single Staff~1.kvt", "notes.txt"});
    for (const Golden& golden : goldens) {
        SCOPED_TRACE(golden.page->name);
        widgettest::ProfileFolder folder;
        documenttest::PromptLog prompts;
        Devices devices;
        ASSERT_EQ(Dump(), "") << "a fresh store";
        OnePage one(*golden.page);
        one.sheet().accept();
        EXPECT_EQ(Dump(), golden.keys);
        EXPECT_TRUE(prompts.Texts().empty());
    }
}

class GeneralPageTest : public PrefsTest {};

TEST_F(GeneralPageTest, TemplatesOfEitherCaseWithoutBackupsAndTheStoredTemplateKeptWithoutFiles)
{
    {
        TemplateFolder templates({"Rock Band.KVT", "piano.kvt", "Old~.kvt", "Quartet.Kvt", "readme.txt"});
        SaveStringPreference("Settings\\New", "AutoTemplate", "Missing");
        OnePage one(CPrefsPgGeneral::classObject);
        EXPECT_EQ(one.page<CPrefsPgGeneral>().GetTemplateNames(),
                  (std::vector<std::string>{"piano", "Quartet", "Rock Band"}));
        auto* combo = one.item<QComboBox>(CPrefsPgGeneral::kTemplates);
        ASSERT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->currentIndex(), -1) << "a stored template that names no file is not selected";
        one.sheet().accept();
        EXPECT_EQ(LoadStringPreference("Settings\\New", "AutoTemplate", ""), "piano") << "the first template";
    }
    {
        TemplateFolder empty({});
        SaveStringPreference("Settings\\New", "AutoTemplate", "Single Staff");
        m_prompts.Clear();
        OnePage one(CPrefsPgGeneral::classObject);
        ASSERT_EQ(m_prompts.Texts(), std::vector<std::string>{"No music templates were found!\n"});
        EXPECT_EQ(m_prompts.Icons()[0], plat::UserPrompt::Icon::warning);
        one.sheet().accept();
        EXPECT_EQ(LoadStringPreference("Settings\\New", "AutoTemplate", ""), "Single Staff")
            << "with no template to choose from the stored one stays";
    }
}

TEST_F(GeneralPageTest, TheTemplateFollowsLoadNewFileAndTheUndoDepthIsChecked)
{
    TemplateFolder templates({"Piano.kvt", "Single Staff.kvt"});
    OnePage one(CPrefsPgGeneral::classObject);
    auto* autoNew = one.item<QCheckBox>(CPrefsPgGeneral::kAutoNew);
    auto* combo = one.item<QComboBox>(CPrefsPgGeneral::kTemplates);
    EXPECT_TRUE(combo->isEnabled());
    EXPECT_EQ(combo->currentText(), "Single Staff");
    autoNew->click();
    EXPECT_FALSE(combo->isEnabled());
    EXPECT_TRUE(one.page<CPrefsPgGeneral>().isModified());
    autoNew->click();
    EXPECT_TRUE(combo->isEnabled());
    combo->setCurrentIndex(0);
    one.item<QLineEdit>(CPrefsPgGeneral::kUndoLevels)->setText("1001");
    EXPECT_FALSE(one.sheet().apply());
    EXPECT_EQ(m_prompts.Texts().back(), "Enter a whole number from 0 to 1000.");
    EXPECT_FALSE(plat::Profile::instance().contains("Settings\\New", "AutoTemplate")) << "nothing written";
    one.item<QLineEdit>(CPrefsPgGeneral::kUndoLevels)->setText("1000");
    ASSERT_TRUE(one.sheet().apply());
    EXPECT_EQ(LoadStringPreference("Settings\\New", "AutoTemplate", ""), "Piano");
    EXPECT_EQ(LoadIntPreference("Settings", "UndoLevels", 0), 1000);
}

TEST_F(GeneralPageTest, TheViewsListTheirVisibilityUnderTheirMenuText)
{
    TemplateFolder templates({"Piano.kvt"});
    ScoreView view;
    SaveIntPreference("\\PlugIns\\Views\\&Score", "Visible", 1);
    OnePage one(CPrefsPgGeneral::classObject);
    auto* list = one.item<MCCheckList>(CPrefsPgGeneral::kViews);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Score");
    EXPECT_TRUE(list->GetCheck(0));
    EXPECT_FALSE(one.page<CPrefsPgGeneral>().isModified()) << "loading is no change";
    list->ToggleCheck(0);
    EXPECT_TRUE(one.page<CPrefsPgGeneral>().isModified());
    one.sheet().accept();
    EXPECT_EQ(LoadIntPreference("\\PlugIns\\Views\\&Score", "Visible", -1), 0);
}

TEST_F(PrefsTest, SavePageStoresTheNegationOfEachObeyBoxAndEnablesThePeriodWithAutoSave)
{
    struct Case {
        int box;
        const char* value;
    };
    for (const Case c : {Case{CPrefsPgSave::kObeyTrackState, "Ignore Track State"},
                         Case{CPrefsPgSave::kObeyFilters, "Ignore Filters"},
                         Case{CPrefsPgSave::kObeyRepeats, "Ignore Repeats"}}) {
        SCOPED_TRACE(c.value);
        for (const bool obey : {true, false}) {
            OnePage one(CPrefsPgSave::classObject);
            one.item<QCheckBox>(c.box)->setChecked(obey);
            one.sheet().accept();
            EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Save", c.value, -1), obey ? 0 : 1);
        }
    }
    SaveIntPreference("Settings\\Save", "AutoSave", 0);
    OnePage one(CPrefsPgSave::classObject);
    EXPECT_FALSE(one.item<QLineEdit>(CPrefsPgSave::kPeriod)->isEnabled());
    EXPECT_FALSE(one.item<QCheckBox>(CPrefsPgSave::kAutoSaveNew)->isEnabled());
    one.item<QCheckBox>(CPrefsPgSave::kAutoSave)->click();
    EXPECT_TRUE(one.item<QLineEdit>(CPrefsPgSave::kPeriod)->isEnabled());
    one.item<QLineEdit>(CPrefsPgSave::kPeriod)->setText("2000");
    EXPECT_FALSE(one.sheet().apply()) << "longer than the auto-save timer can wait";
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_EQ(m_prompts.Texts().back(), "Enter a whole number from 1 to 1440.");
}

TEST_F(PrefsTest, WorkspacePageListsThePicturesPreviewsThemAndResetsWarningsOnlyOnYes)
{
    OnePage one(CPrefsPgWorkspace::classObject);
    auto* list = one.item<QListWidget>(CPrefsPgWorkspace::kImages);
    ASSERT_NE(list, nullptr);
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    EXPECT_EQ(names, (QStringList{"<None>", "Staff Paper", "Slate"}));
    auto& page = one.page<CPrefsPgWorkspace>();
    EXPECT_EQ(page.GetSelectedImage(), 0x6000);
    auto* preview = one.item<CMiniImage>(CPrefsPgWorkspace::kPreview);
    ASSERT_NE(preview, nullptr);
    ASSERT_NE(preview->GetBitmap(), nullptr);
    const QSize paper = preview->GetBitmap()->GetLogicalSize();
    // Chosen as the user chooses: a click on the row, then the arrow keys.
    const auto click = [list](int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    };
    click(2);
    EXPECT_TRUE(page.isModified());
    EXPECT_EQ(page.GetSelectedImage(), 0x6001);
    EXPECT_EQ(list->currentRow(), 2);
    ASSERT_NE(preview->GetBitmap(), nullptr);
    EXPECT_NE(preview->GetBitmap()->GetLogicalSize(), paper) << "the slate tile";
    // A stray click in the list's room below its rows changes nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, list->visualItemRect(list->item(2)).bottom() + 20));
    EXPECT_EQ(page.GetSelectedImage(), 0x6001);
    ASSERT_NE(preview->GetBitmap(), nullptr);
    EXPECT_FALSE(Screenshot(one.sheet(), "prefs-workspace-slate").empty());
    ASSERT_TRUE(one.sheet().apply());
    EXPECT_EQ(LoadIntPreference("Settings\\Background", "Image", 0), 0x6001);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(page.GetSelectedImage(), 0x6000);
    ASSERT_TRUE(one.sheet().apply());
    EXPECT_EQ(LoadIntPreference("Settings\\Background", "Image", 0), 0x6000);
    click(0);
    EXPECT_EQ(page.GetSelectedImage(), -1);
    EXPECT_EQ(preview->GetBitmap(), nullptr);
    ASSERT_TRUE(one.sheet().apply());
    EXPECT_EQ(LoadIntPreference("Settings\\Background", "Image", 0), -1);

    SaveIntPreference("Settings\\Interface\\Warnings\\8326", "DontWarn", 1);
    SaveIntPreference("Settings\\Interface", "Keep", 7);
    m_prompts.Answer(plat::UserPrompt::Answer::no);
    one.item<QPushButton>(CPrefsPgWorkspace::kResetWarnings)->click();
    EXPECT_EQ(m_prompts.Texts().back(),
              "This action reactivates display of all warning dialogs and cannot be undone.  Are you sure you want "
              "to do this?");
    EXPECT_EQ(LoadIntPreference("Settings\\Interface\\Warnings\\8326", "DontWarn", 0), 1) << "No deletes nothing";
    m_prompts.Answer(plat::UserPrompt::Answer::yes);
    one.item<QPushButton>(CPrefsPgWorkspace::kResetWarnings)->click();
    EXPECT_FALSE(plat::Profile::instance().contains("Settings\\Interface\\Warnings\\8326", "DontWarn"));
    EXPECT_EQ(LoadIntPreference("Settings\\Interface", "Keep", 0), 7) << "only the warnings go";
}

class MidiPagesTest : public PrefsTest {
protected:
    Devices m_devices;
};

TEST_F(MidiPagesTest, TestNotesPlayOnTheChosenDeviceWhateverTheDefaultDeviceSwitch)
{
    m_devices.Wavegate().SetDefaultMidiDevice(0);
    m_devices.Wavegate().EnableDefaultMidiDevice(1);
    for (const plat::RuntimeClass* pageClass : {&CPrefsPgMidiPlay::classObject, &CPrefsPgMidiThru::classObject}) {
        SCOPED_TRACE(pageClass->name);
        OnePage one(*pageClass);
        const int listId = pageClass == &CPrefsPgMidiPlay::classObject ? CPrefsPgMidiPlay::kDevice : CPrefsPgMidiThru::kDevice;
        auto* list = one.item<MCDeviceList>(listId);
        ASSERT_NE(list, nullptr);
        list->SetSelectedDevice(1);
        m_devices.Out(1).clearPlayed();
        auto* test = one.item<QAbstractButton>(CPrefsPgMidiPlay::kTest);
        ASSERT_NE(test, nullptr);
        test->click();
        EXPECT_EQ(m_devices.Immediate(1), (std::vector<std::vector<uint8_t>>{{0x90, 69, 127}}));
        m_devices.Step(260);
        EXPECT_EQ(m_devices.Immediate(1), (std::vector<std::vector<uint8_t>>{{0x90, 69, 0}})) << "after 250 ms";
        EXPECT_TRUE(m_devices.Immediate(0).empty());
        EXPECT_EQ(m_devices.Wavegate().DefaultMidiDeviceEnabled(), 1) << "the switch is back";
    }
}

TEST_F(MidiPagesTest, ChangingTheOutputWithADocumentOpenWarnsAndTheAnswerChangesNothing)
{
    DialogScript script;
    OnePage one(CPrefsPgMidiPlay::classObject);
    auto* list = one.item<MCDeviceList>(CPrefsPgMidiPlay::kDevice);
    list->setCurrentRow(1);
    EXPECT_TRUE(script.Seen().empty()) << "no document: no warning";
    DocumentHost docs;
    ASSERT_NE(docs.NewDocument(), nullptr);
    list->setCurrentRow(0);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0], typeid(MCWarnDialog));
    list->SetFormat(1 - list->GetFormat(), true);
    EXPECT_EQ(script.Seen().size(), 1u) << "other labels are no other device";
    EXPECT_EQ(list->GetSelectedDevice(), 0);
    one.sheet().accept();
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Play", "Default Device", -1), 0);
}

TEST_F(MidiPagesTest, ADeviceClickedWithTheMouseIsAChangeAndTheOutputWarns)
{
    // A click makes the row current before it selects it: the change is the selection.
    DocumentHost docs;
    ASSERT_NE(docs.NewDocument(), nullptr);
    struct Case {
        const plat::RuntimeClass* page;
        const char* section;
        int list;
        int stored;
        int row;
        size_t warnings;
    };
    // The one input is no stored device 5: the list starts without a choice.
    const Case cases[] = {
        {&CPrefsPgMidiPlay::classObject, "Sequencer\\Midi\\Play", CPrefsPgMidiPlay::kDevice, 0, 1, 1},
        {&CPrefsPgMidiRecord::classObject, "Sequencer\\Midi\\Record", CPrefsPgMidiRecord::kDevice, 5, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page->name);
        SaveIntPreference(c.section, "Default Device", c.stored);
        DialogScript script;
        OnePage one(*c.page);
        auto* list = one.item<MCDeviceList>(c.list);
        ASSERT_NE(list, nullptr);
        ASSERT_FALSE(one.page<MCPrefsPage>().isModified());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(c.row)).center());
        EXPECT_EQ(list->GetSelectedDevice(), c.row);
        EXPECT_TRUE(one.page<MCPrefsPage>().isModified());
        EXPECT_TRUE(one.sheet().applyButton()->isEnabled());
        ASSERT_EQ(script.Seen().size(), c.warnings);
        if (c.warnings) {
            EXPECT_EQ(script.Seen()[0], typeid(MCWarnDialog));
        }
        ASSERT_TRUE(one.sheet().apply());
        EXPECT_EQ(LoadIntPreference(c.section, "Default Device", -1), c.row);
    }
}

TEST_F(MidiPagesTest, RecordPageLeavesSysExAloneAndShowsWhetherQuantizationIsOn)
{
    SaveIntPreference("Sequencer\\Midi\\Record\\Filter", "SysEx", 0);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Mode", 3);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Percent", 0);
    {
        OnePage one(CPrefsPgMidiRecord::classObject);
        auto* list = one.item<MCCheckList>(CPrefsPgMidiRecord::kFilter);
        ASSERT_EQ(list->GetItemCount(), 9);
        for (int row = 0; row < list->GetItemCount(); ++row)
            EXPECT_NE(list->topLevelItem(row)->text(0), "SysEx");
        EXPECT_EQ(one.item<QLabel>(CPrefsPgMidiRecord::kQuantizationState)->text(), "Currently Disabled");
        one.sheet().accept();
    }
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record\\Filter", "SysEx", -1), 0);
    SaveIntPreference("Sequencer\\Midi\\Record", "Quantization Percent", 50);
    OnePage one(CPrefsPgMidiRecord::classObject);
    EXPECT_EQ(one.item<QLabel>(CPrefsPgMidiRecord::kQuantizationState)->text(), "Currently Enabled");

    // Quantization turned off in its dialog: the label follows at once.
    DialogScript script;
    script.Answer([](QDialog& dialog) {
        for (int id : {MCQuantizationDlg::kStarts, MCQuantizationDlg::kDurations, MCQuantizationDlg::kOther})
            plat::ui::item<QCheckBox>(&dialog, id)->setChecked(false);
        dialog.accept();
        return dialog.result();
    });
    one.item<QPushButton>(CPrefsPgMidiRecord::kQuantization)->click();
    EXPECT_EQ(one.item<QLabel>(CPrefsPgMidiRecord::kQuantizationState)->text(), "Currently Disabled");
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Quantization Mode", -1), 0);
}

TEST_F(MidiPagesTest, RoutingIsWrittenWhenItsDialogIsConfirmedAndAnnounced)
{
    SaveIntPreference("Sequencer\\Midi\\Record", "Low Channel", 2);
    AnnouncedStates announced;
    DialogScript script;
    std::string shot;
    script.Answer([&](QDialog& dialog) {
        // Shown as the user meets it, before the clicks: showing sets the fields from the store.
        dialog.show();
        auto* combo = plat::ui::item<QComboBox>(&dialog, CInputRoutingDlg::kLowChannel);
        EXPECT_EQ(combo->currentText(), "2");
        // Omni: neither the split point nor the low channel.
        EXPECT_FALSE(plat::ui::itemWidget(&dialog, CInputRoutingDlg::kSplitPitch)->isEnabled());
        EXPECT_FALSE(combo->isEnabled());
        plat::ui::item<QRadioButton>(&dialog, CInputRoutingDlg::kFirstConfiguration + 2)->click();
        EXPECT_TRUE(plat::ui::itemWidget(&dialog, CInputRoutingDlg::kSplitPitch)->isEnabled());
        EXPECT_FALSE(combo->isEnabled());
        plat::ui::item<QRadioButton>(&dialog, CInputRoutingDlg::kFirstConfiguration + 4)->click();
        EXPECT_FALSE(plat::ui::itemWidget(&dialog, CInputRoutingDlg::kSplitPitch)->isEnabled());
        EXPECT_TRUE(combo->isEnabled());
        combo->setCurrentIndex(5);
        plat::ui::item<QCheckBox>(&dialog, CInputRoutingDlg::kUseDevice)->setChecked(true);
        shot = Screenshot(dialog, "prefs-input-routing");
        plat::ui::item<QPushButton>(&dialog, CInputRoutingDlg::kOk)->click();
        return dialog.result();
    });
    script.Answer([](QDialog& dialog) {
        plat::ui::item<QPushButton>(&dialog, CInputRoutingDlg::kCancel)->click();
        return dialog.result();
    });
    OnePage one(CPrefsPgMidiRecord::classObject);
    one.item<QPushButton>(CPrefsPgMidiRecord::kRouting)->click();
    EXPECT_FALSE(shot.empty());
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Recording Configuration", -1), 4);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Low Channel", -1), 6);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Ignore Device", -1), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Split Pitch", -1), 60);
    EXPECT_EQ(announced.Take(), std::vector<int>{1600}) << "the recorder reads it at once";
    one.item<QPushButton>(CPrefsPgMidiRecord::kRouting)->click();
    EXPECT_TRUE(announced.Take().empty()) << "cancelled";
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Low Channel", -1), 6);
}

TEST_F(MidiPagesTest, RoutingWithoutASplitNeitherTakesNorRefusesWhatTheDisabledSplitPointHolds)
{
    struct Case {
        const char* typed;
        int stored;
    };
    for (const Case c : {Case{"zz", 60}, Case{"D4", 62}}) {
        SCOPED_TRACE(c.typed);
        SaveIntPreference("Sequencer\\Midi\\Record", "Split Pitch", 60);
        CInputRoutingDlg dialog;
        dialog.show();
        plat::ui::item<QRadioButton>(&dialog, CInputRoutingDlg::kFirstConfiguration + CInputRoutingDlg::pitchSplitA)
            ->click();
        auto* split = plat::ui::item<MCNoteEdit>(&dialog, CInputRoutingDlg::kSplitPitch);
        ASSERT_TRUE(split->isEnabled());
        split->selectAll();
        QTest::keyClicks(split, c.typed);
        const size_t before = m_prompts.Texts().size();
        plat::ui::item<QRadioButton>(&dialog, CInputRoutingDlg::kFirstConfiguration + CInputRoutingDlg::omni)->click();
        EXPECT_FALSE(split->isEnabled());
        plat::ui::item<QPushButton>(&dialog, CInputRoutingDlg::kOk)->click();
        EXPECT_EQ(m_prompts.Texts().size(), before) << "nothing the user cannot mend is refused";
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        dialog.SaveRouting();
        EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Recording Configuration", -1), 0);
        EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Record", "Split Pitch", -1), c.stored);
    }
}

TEST_F(MidiPagesTest, ThruFollowsTheTracksOrConnectsTheChosenDeviceAndChannel)
{
    OnePage one(CPrefsPgMidiThru::classObject);
    auto* list = one.item<MCDeviceList>(CPrefsPgMidiThru::kDevice);
    auto* channel = one.item<QComboBox>(CPrefsPgMidiThru::kChannel);
    EXPECT_FALSE(list->isEnabled()) << "following the tracks";
    EXPECT_FALSE(channel->isEnabled());
    one.item<QCheckBox>(CPrefsPgMidiThru::kAutoSetRecord)->click();
    EXPECT_FALSE(list->isEnabled());
    one.item<QCheckBox>(CPrefsPgMidiThru::kAutoSetSelect)->click();
    EXPECT_TRUE(list->isEnabled());
    EXPECT_TRUE(channel->isEnabled());
    list->SetSelectedDevice(1);
    struct Case {
        int index;
        int connected;
    };
    for (const Case c : {Case{0, -1}, Case{3, 2}, Case{16, 15}}) {
        SCOPED_TRACE(c.index);
        channel->setCurrentIndex(c.index);
        ASSERT_TRUE(one.sheet().apply());
        EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Channel", -9), c.index);
        EXPECT_EQ(m_devices.Wavegate().GetMidiThruDevice(), 1);
        EXPECT_EQ(m_devices.Wavegate().GetMidiThruChannel(), c.connected);
    }
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetRecord", -1), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetSelect", -1), 0);
}

TEST_F(MidiPagesTest, MetronomeNamesDrumsOnChannelTenAndTestsItsClicks)
{
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Device", 1);
    OnePage one(CPrefsPgMetronome::classObject);
    auto* pitch1 = one.item<MCNoteEdit>(CPrefsPgMetronome::kPitch1);
    auto* pitch2 = one.item<MCNoteEdit>(CPrefsPgMetronome::kPitch2);
    ASSERT_NE(pitch1, nullptr);
    EXPECT_EQ(pitch1->GetNoteFormat(), MCNoteEdit::drums);
    EXPECT_EQ(pitch2->GetNoteFormat(), MCNoteEdit::drums);
    auto* channel = one.item<MCSpinEdit>(CPrefsPgMetronome::kChannel);
    channel->setText("3");
    channel->OnChange();
    EXPECT_EQ(pitch1->GetNoteFormat(), MCNoteEdit::sharps);
    EXPECT_TRUE(one.page<CPrefsPgMetronome>().isModified());

    m_devices.Out(1).clearPlayed();
    one.item<QAbstractButton>(CPrefsPgMetronome::kTestSecondary)->click();
    EXPECT_EQ(m_devices.Immediate(1), (std::vector<std::vector<uint8_t>>{{0x92, 77, 127}}));
    m_devices.Step(260);
    EXPECT_EQ(m_devices.Immediate(1), (std::vector<std::vector<uint8_t>>{{0x92, 77, 0}}));

    // The computer's beep needs no MIDI controls.
    one.item<QRadioButton>(CPrefsPgMetronome::kSpeaker)->click();
    for (int id : {CPrefsPgMetronome::kPitch1, CPrefsPgMetronome::kVelocity1, CPrefsPgMetronome::kChannel,
                   CPrefsPgMetronome::kDevice, CPrefsPgMetronome::kTestPrimary, CPrefsPgMetronome::kFirstLabel})
        EXPECT_FALSE(plat::ui::itemWidget(&one.page<CPrefsPgMetronome>(), id)->isEnabled()) << id;
    one.sheet().accept();
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Metronome", "Source", -1), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Metronome", "Channel", -1), 3);

    // Everything on the default device: the metronome's device shows it and cannot be chosen.
    SaveIntPreference("Sequencer\\Midi\\Play", "Play Default Device", 1);
    m_devices.Wavegate().SetDefaultMidiDevice(0);
    OnePage again(CPrefsPgMetronome::classObject);
    auto* box = again.item<MCDeviceBox>(CPrefsPgMetronome::kDevice);
    EXPECT_FALSE(box->isEnabled());
    EXPECT_EQ(box->GetSelectedDevice(), 0);
    // Confirmed so, the metronome keeps its own device for when the switch is turned off.
    again.sheet().accept();
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Metronome", "Device", -1), 1);
}

TEST_F(MidiPagesTest, AMetronomeOnTheSpeakerIgnoresWhatItsDisabledMidiFieldsHold)
{
    // Text a MIDI field cannot take, left there when the speaker is chosen: the field is then
    // disabled, so refusing it would keep the user from confirming the sheet.
    struct Case {
        int id;
        const char* text;
        const char* value;  // keeps the value it had
        int kept;
    };
    const Case cases[] = {
        {CPrefsPgMetronome::kVelocity1, "200", "Velocity 1", 100},
        {CPrefsPgMetronome::kPitch2, "Q", "Pitch 2", 40},
        {CPrefsPgMetronome::kChannel, "0", "Channel", 3},
    };
    // Off the drum channel the pitches are typed as note names.
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Channel", 3);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SaveIntPreference("Sequencer\\Midi\\Metronome", "Source", 1);
        SaveIntPreference("Sequencer\\Midi\\Metronome", c.value, c.kept);
        OnePage one(CPrefsPgMetronome::classObject);
        auto* field = one.item<MCSpinEdit>(c.id);
        field->setText(c.text);
        field->OnChange();
        ASSERT_FALSE(field->IsTextValid());
        one.item<QRadioButton>(CPrefsPgMetronome::kSpeaker)->click();
        EXPECT_FALSE(field->isEnabled());
        m_prompts.Clear();
        one.sheet().accept();
        EXPECT_TRUE(m_prompts.Texts().empty());
        EXPECT_EQ(one.sheet().result(), QDialog::Accepted);
        EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Metronome", "Source", -1), 0);
        EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Metronome", c.value, -1), c.kept);
    }
}

class WaveAudioPageTest : public PrefsTest {
protected:
    Devices m_devices;
};

// The width a combo box needs to show text whole, by its style's own measure.
int ComboWidthFor(const QComboBox& combo, const QString& text)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    const QSize contents(combo.fontMetrics().horizontalAdvance(text), combo.fontMetrics().height());
    return combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, &combo).width();
}

TEST_F(WaveAudioPageTest, BothFormatBoxesShowTheirFormatsWhole)
{
    // The input box, filled once the page is made, sits in the narrower half of the page.
    for (int match : {1, 0}) {
        SCOPED_TRACE(match);
        SaveIntPreference("Sequencer\\WaveAudio", "Default Output Format", 13);
        SaveIntPreference("Sequencer\\WaveAudio", "Match Formats", match);
        OnePage one(CPrefsPgWaveAudio::classObject);
        // At the smallest the sheet can be made.
        one.sheet().resize(one.sheet().minimumSizeHint());
        for (int id : {CPrefsPgWaveAudio::kOutputFormat, CPrefsPgWaveAudio::kInputFormat}) {
            auto* combo = one.item<QComboBox>(id);
            ASSERT_GT(combo->count(), 0);
            for (int i = 0; i < combo->count(); ++i)
                EXPECT_GE(combo->width(), ComboWidthFor(*combo, combo->itemText(i))) << id << " " << i;
        }
    }
}

TEST_F(WaveAudioPageTest, TheInputFormatsFollowTheOutputsRate)
{
    struct Case {
        int output;
        int input;
        int match;
        int expected;
        int offered;   // input formats of the output's rate
    };
    const Case cases[] = {
        {13, 8, 0, 13, 4},   // another rate: the output's format
        {13, 11, 0, 11, 4},  // the same rate: kept
        {3, 2, 0, 2, 4},
        {1, 8, 0, 1, 2},
        {9, 8, 1, 9, 4},     // matching
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output * 100 + c.input);
        SaveIntPreference("Sequencer\\WaveAudio", "Default Output Format", c.output);
        SaveIntPreference("Sequencer\\WaveAudio", "Default Input Format", c.input);
        SaveIntPreference("Sequencer\\WaveAudio", "Match Formats", c.match);
        OnePage one(CPrefsPgWaveAudio::classObject);
        auto* input = one.item<QComboBox>(CPrefsPgWaveAudio::kInputFormat);
        EXPECT_EQ(input->count(), c.offered);
        EXPECT_EQ(input->currentData().toInt(), c.expected);
        EXPECT_EQ(input->isEnabled(), c.match == 0);
        one.sheet().accept();
        EXPECT_EQ(LoadIntPreference("Sequencer\\WaveAudio", "Default Input Format", -1), c.expected);
    }
    // Choosing another output format refilters.
    SaveIntPreference("Sequencer\\WaveAudio", "Match Formats", 0);
    OnePage one(CPrefsPgWaveAudio::classObject);
    auto* output = one.item<QComboBox>(CPrefsPgWaveAudio::kOutputFormat);
    output->setCurrentIndex(0);
    emit output->activated(0);
    EXPECT_EQ(one.item<QComboBox>(CPrefsPgWaveAudio::kInputFormat)->count(), 2);
    EXPECT_EQ(one.page<CPrefsPgWaveAudio>().GetInputFormat(), 0);
    EXPECT_EQ(one.item<QComboBox>(CPrefsPgWaveAudio::kInputFormat)->itemText(1), "8,000 Hz, 8-bit, Stereo");
}

TEST_F(WaveAudioPageTest, AutomaticSavesZeroAndTheCountIsChecked)
{
    SaveIntPreference("Sequencer\\WaveAudio", "Track Count", 12);
    SaveIntPreference("Sequencer\\WaveAudio", "Recommended Track Count", 6);
    OnePage one(CPrefsPgWaveAudio::classObject);
    auto* count = one.item<MCSpinEdit>(CPrefsPgWaveAudio::kTrackCount);
    EXPECT_EQ(count->text(), "12");
    EXPECT_TRUE(count->isEnabled());
    count->setText("257");
    EXPECT_FALSE(one.sheet().apply());
    EXPECT_EQ(m_prompts.Texts().back(), "Enter a whole number from 1 to 256.");
    EXPECT_EQ(LoadIntPreference("Sequencer\\WaveAudio", "Track Count", -1), 12);
    count->setText("20");
    one.item<QCheckBox>(CPrefsPgWaveAudio::kAutomatic)->click();
    EXPECT_EQ(count->text(), "6") << "the recommended count";
    EXPECT_FALSE(count->isEnabled());
    ASSERT_TRUE(one.sheet().apply());
    EXPECT_EQ(LoadIntPreference("Sequencer\\WaveAudio", "Track Count", -1), 0);

    // With a document open, a new count is taken only when the document is read again.
    DocumentHost docs;
    ASSERT_NE(docs.NewDocument(), nullptr);
    one.item<QCheckBox>(CPrefsPgWaveAudio::kAutomatic)->click();
    count->setText("4");
    m_prompts.Clear();
    ASSERT_TRUE(one.sheet().apply());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"You will have to reload any documents you have open "
                                                          "before your new WAV track count takes effect."});
}

TEST_F(WaveAudioPageTest, TurningAutomaticOnIsNotRefusedForTheCountItGivesUp)
{
    SaveIntPreference("Sequencer\\WaveAudio", "Track Count", 12);
    SaveIntPreference("Sequencer\\WaveAudio", "Recommended Track Count", 6);
    for (const char* typed : {"300", "abc", ""}) {
        SCOPED_TRACE(typed);
        OnePage one(CPrefsPgWaveAudio::classObject);
        auto* count = one.item<MCSpinEdit>(CPrefsPgWaveAudio::kTrackCount);
        count->setText(typed);
        m_prompts.Clear();
        one.item<QCheckBox>(CPrefsPgWaveAudio::kAutomatic)->click();
        EXPECT_TRUE(m_prompts.Texts().empty());
        EXPECT_EQ(count->text(), "6") << "the recommended count";
        EXPECT_FALSE(count->isEnabled());
        ASSERT_TRUE(one.sheet().apply());
        EXPECT_EQ(LoadIntPreference("Sequencer\\WaveAudio", "Track Count", -1), 0);
        SaveIntPreference("Sequencer\\WaveAudio", "Track Count", 12);
    }
}

TEST_F(WaveAudioPageTest, AnAutomaticCountSavedUnchangedIsNoNewCount)
{
    DocumentHost docs;
    ASSERT_NE(docs.NewDocument(), nullptr);
    SaveIntPreference("Sequencer\\WaveAudio", "Recommended Track Count", 6);
    // Start-up stores -1 for automatic, the page 0; neither is a count the user chose.
    struct Case {
        int stored;
        const char* typed;  // null: the page confirmed as it opened
        bool told;
    };
    for (const Case& c : {Case{-1, nullptr, false}, Case{0, nullptr, false}, Case{-7, nullptr, false},
                          Case{-1, "6", true}, Case{12, nullptr, false}, Case{12, "13", true}}) {
        SCOPED_TRACE(std::to_string(c.stored) + " " + (c.typed ? c.typed : "unchanged"));
        SaveIntPreference("Sequencer\\WaveAudio", "Track Count", c.stored);
        OnePage one(CPrefsPgWaveAudio::classObject);
        auto* automatic = one.item<QCheckBox>(CPrefsPgWaveAudio::kAutomatic);
        EXPECT_EQ(automatic->isChecked(), c.stored <= 0);
        if (c.typed) {
            if (automatic->isChecked())
                automatic->click();
            auto* count = one.item<MCSpinEdit>(CPrefsPgWaveAudio::kTrackCount);
            count->setFocus();
            count->selectAll();
            QTest::keyClicks(count, c.typed);
        }
        m_prompts.Clear();
        one.sheet().accept();
        EXPECT_EQ(!m_prompts.Texts().empty(), c.told);
    }
}

TEST_F(WaveAudioPageTest, ATestPlaysTheTestSoundInTheChosenFormatAndCancelPutsTheFormatBack)
{
    SaveIntPreference("Sequencer\\WaveAudio", "Default Output Format", 9);
    WG_DevFormat format{};
    CWGDevice::FillFormat(&format, 9);
    m_devices.Wavegate().SetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_OUT, CWavegate::WG_ALL_DEVICES, &format);
    const std::vector<int> before = m_devices.OutputFormat();
    ASSERT_EQ(before, (std::vector<int>{22050, 2, 16}));
    {
        OnePage one(CPrefsPgWaveAudio::classObject);
        one.item<QComboBox>(CPrefsPgWaveAudio::kOutputFormat)->setCurrentIndex(13);
        one.item<QAbstractButton>(CPrefsPgWaveAudio::kTest)->click();
        EXPECT_EQ(m_devices.OutputFormat(), (std::vector<int>{44100, 2, 16})) << "the test's format";
        EXPECT_EQ(m_devices.WaveOut().GetPlayerCount(), 1) << "test.wav beside the program plays";
        one.sheet().reject();
    }
    EXPECT_EQ(m_devices.OutputFormat(), before) << "Cancel puts the format in use back";
    EXPECT_EQ(LoadIntPreference("Sequencer\\WaveAudio", "Default Output Format", -1), 9);
    {
        OnePage one(CPrefsPgWaveAudio::classObject);
        one.item<QComboBox>(CPrefsPgWaveAudio::kOutputFormat)->setCurrentIndex(12);
        one.sheet().accept();
    }
    EXPECT_EQ(m_devices.OutputFormat(), (std::vector<int>{44100, 1, 16})) << "saved, and set on the devices";
}

}  // namespace
