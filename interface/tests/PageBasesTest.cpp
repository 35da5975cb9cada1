#include "DocumentTestSupport.h"
#include "interface/document/CCTranspose.h"
#include "notabase/commands/MCCommandList.h"
#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorForm.h"
#include "interface/pages/MCInspectorFormPage.h"
#include "interface/pages/MCInspectorPage.h"
#include "interface/pages/MCMusicButton.h"
#include "interface/pages/MCMusicForm.h"
#include "interface/pages/MCMusicPage.h"
#include "interface/pages/MCPrefsPage.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/MCEventList.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCMode.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "notabase/score/ECMeasure.h"
#include "platform/ui/dialog/DataExchange.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/PropertySheet.h"
#include "sequencer/data/DCsqMidi.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

namespace {

using namespace documenttest;

int Key(ECBase* e)
{
    return plat::dynamicDowncast<DCsqMidi>(e->GetData(0, 0))->GetMidiData().GetDataByte1();
}

// A page with one field, the transposition it applies to every element; it counts how often
// it was initialised.
class TransposePage : public MCInspectorPage {
public:
    static constexpr int kAmountId = 2001;
    TransposePage()
    {
        auto* layout = new QVBoxLayout(this);
        auto* edit = new QLineEdit(this);
        plat::ui::setItemId(edit, kAmountId);
        layout->addWidget(edit);
    }
    bool InitPage() override
    {
        ++inits;
        return true;
    }
    void UpdatePage() override { amount = 0; }
    void UpdateEvent(ECBase* event, MCCommandList& commands) override
    {
        if (amount == 0)
            return;
        auto* command = new CCTranspose;
        command->TransposeEvent(event);
        command->SetTransposeAmount(amount);
        command->SetTransposeInterval(0, 1);
        command->SetSynchronous(1);
        commands.AddTail(command);
    }
    void DoDataExchange(plat::ui::DataExchange& exchange) override { exchange.integer(kAmountId, amount); }
    QLineEdit* Edit() { return static_cast<QLineEdit*>(plat::ui::itemWidget(this, kAmountId)); }

    int amount = 0;
    int inits = 0;
};

class InspectorPageTest : public DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(m_doc, 1, 2);
        ECMeasure* measure = m_doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(0.0f), 0, 0);
        ASSERT_NE(measure, nullptr);
        for (ECBase* e : *measure->GetChildren())
            if (e->GetEventId() == EventId::Note)
                m_notes.AddTail(e);
        ASSERT_EQ(m_notes.GetCount(), 2);
        m_doc.SetModifiedFlag(0);
        m_page.SetDocument(&m_doc);
        m_page.SetEventList(&m_notes);
    }
    std::vector<int> Keys() const
    {
        std::vector<int> keys;
        for (ECBase* e : m_notes)
            keys.push_back(Key(e));
        return keys;
    }

    MCOpusDoc m_doc;
    MCEventList m_notes;
    TransposePage m_page;
};

TEST_F(InspectorPageTest, ApplyOfTwoElementsIsOneUndoStepNamedAfterTheirType)
{
    ASSERT_TRUE(m_page.onSetActive());
    const std::vector<int> before = Keys();
    m_page.Edit()->setText("2");
    m_page.SetModifiedFlag(true);
    ASSERT_TRUE(m_page.onApply());

    EXPECT_EQ(Keys(), (std::vector<int>{before[0] + 2, before[1] + 2}));
    EXPECT_FALSE(m_page.IsModified());
    EXPECT_TRUE(m_doc.IsModified());
    std::string undo;
    ASSERT_TRUE(m_doc.OnUpdateEditUndo(undo));
    EXPECT_EQ(undo.substr(0, undo.find('\t')), "Undo Edit Note");

    m_doc.OnEditUndo();
    EXPECT_EQ(Keys(), before);
    EXPECT_FALSE(m_doc.OnUpdateEditUndo(undo));
}

TEST_F(InspectorPageTest, AnApplyThatChangesNothingLeavesDocumentAndHistoryAlone)
{
    ASSERT_TRUE(m_page.onSetActive());
    std::string undo;
    // Not modified: nothing is even read.
    m_page.Edit()->setText("5");
    EXPECT_TRUE(m_page.onApply());
    // Modified, but the value asks for no command.
    m_page.Edit()->setText("0");
    m_page.SetModifiedFlag(true);
    EXPECT_TRUE(m_page.onApply());
    EXPECT_FALSE(m_page.IsModified());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_FALSE(m_doc.OnUpdateEditUndo(undo));
}

TEST_F(InspectorPageTest, ABadValueStopsTheApplyAndKeepsThePageChanged)
{
    ASSERT_TRUE(m_page.onSetActive());
    const std::vector<int> before = Keys();
    m_page.Edit()->setText("two");
    m_page.SetModifiedFlag(true);
    EXPECT_FALSE(m_page.onApply());
    EXPECT_TRUE(m_page.IsModified());
    EXPECT_EQ(Keys(), before);
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_prompts.Texts().size(), 1u);
}

TEST_F(InspectorPageTest, CancelReloadsTheValuesAndKeepsThePage)
{
    ASSERT_TRUE(m_page.onSetActive());
    m_page.Edit()->setText("7");
    m_page.SetModifiedFlag(true);
    EXPECT_FALSE(m_page.OnQueryCancel());
    EXPECT_EQ(m_page.Edit()->text(), "0");
    EXPECT_FALSE(m_page.IsModified());
}

TEST_F(InspectorPageTest, InitialisesOnItsFirstExchangeAndAgainAfterTheSheetLetItGo)
{
    EXPECT_EQ(m_page.inits, 0);
    m_page.onSetActive();
    m_page.updateData(false);
    EXPECT_EQ(m_page.inits, 1);
    m_page.PostNcDestroy();
    m_page.onSetActive();
    EXPECT_EQ(m_page.inits, 2);
    EXPECT_EQ(m_page.GetSize(), m_page.GetSize());
    EXPECT_FALSE(m_page.GetSize().isEmpty());
}

// A form that records what reaches it.
class RecordingForm : public MCInspectorForm {
public:
    RecordingForm(MCInspectorPage* page, int templateId) : MCInspectorForm(page, templateId) {}
    void UpdateForm() override
    {
        MCInspectorForm::UpdateForm();
        ++updates;
    }
    void UpdateEvent(ECBase*, MCCommandList&) override { ++events; }
    int updates = 0;
    int events = 0;
};

class FormPage : public MCInspectorFormPage {
public:
    explicit FormPage(int placeholder)
    {
        auto* layout = new QVBoxLayout(this);
        if (placeholder) {
            auto* area = new QWidget(this);
            plat::ui::setItemId(area, placeholder);
            layout->addWidget(area);
        }
        m_nPlaceholderID = placeholder;
        for (int i = 0; i < 2; ++i)
            SetForm(i, std::make_unique<RecordingForm>(this, 7000 + i));
    }
    void Choose(int form) { m_nCurForm = form; }
    RecordingForm* Form(int i) const { return static_cast<RecordingForm*>(GetForm(i)); }
};

TEST(InspectorFormPageTest, ShowsTheChosenFormInItsAreaAndHandsItTheWork)
{
    for (const int placeholder : {0, 3000}) {
        SCOPED_TRACE(placeholder);
        FormPage page(placeholder);
        MCOpusDoc doc;
        MCEventList events;
        page.SetDocument(&doc);
        page.SetEventList(&events);
        page.Choose(1);
        page.onSetActive();

        QWidget* area = placeholder ? plat::ui::itemWidget(&page, placeholder) : &page;
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(page.Form(i)->parentWidget(), area);
            EXPECT_EQ(plat::ui::itemId(page.Form(i)), MCInspectorFormPage::kFirstFormId + i);
            EXPECT_EQ(page.Form(i)->GetDocument(), &doc);
        }
        EXPECT_EQ(page.GetShownForm(), 1);
        EXPECT_FALSE(page.Form(0)->isVisibleTo(&page));
        EXPECT_TRUE(page.Form(1)->isVisibleTo(&page));

        page.UpdatePage();
        MCCommandList commands;
        page.UpdateEvent(nullptr, commands);
        EXPECT_EQ(page.Form(1)->updates, 1);
        EXPECT_EQ(page.Form(1)->events, 1);
        EXPECT_EQ(page.Form(0)->events, 0);
        EXPECT_EQ(page.OnHelpHitTest(), 7001 + MCInspectorForm::kHelpIdBase);

        // A form's edit is the page's.
        page.Form(1)->SetModifiedFlag(true);
        EXPECT_TRUE(page.IsModified());

        page.DisplayForm(-1);
        EXPECT_FALSE(page.Form(1)->isVisibleTo(&page));
        EXPECT_EQ(page.OnHelpHitTest(), 0);
        EXPECT_EQ(page.GetForm(2), nullptr);
        EXPECT_EQ(page.GetForm(-1), nullptr);
    }
}

// A page whose one setting is a text, kept in a member standing for the settings store.
class TextPrefsPage : public MCPrefsPage {
public:
    explicit TextPrefsPage(std::string& store) : m_store(store) {}
    void SavePrefs() override { m_store = "saved"; }

private:
    std::string& m_store;
};

TEST(PrefsPageTest, OkAndApplySaveTheSettingsAndCancelSavesNothing)
{
    for (const char* action : {"ok", "apply", "cancel"}) {
        SCOPED_TRACE(action);
        std::string store;
        plat::ui::PropertySheet sheet("Preferences");
        auto* page = new TextPrefsPage(store);
        sheet.addPage(page, "General");
        sheet.setActivePage(0);
        page->setModified(true);
        if (std::string(action) == "ok")
            sheet.accept();
        else if (std::string(action) == "apply")
            sheet.applyButton()->click();
        else
            sheet.reject();
        EXPECT_EQ(store, std::string(action) == "cancel" ? "" : "saved");
        EXPECT_FALSE(std::string(action) != "cancel" && page->isModified());
    }
}

TEST(FieldStatesTest, MergesTheValuesOfTheSelectedElementsIntoOneFieldState)
{
    using S = MCFieldStates;
    const struct {
        const char* name;
        int before;  // the field's state before the values come
        std::vector<int> values;
        int state;
        int shown;  // 99: what the field showed before is kept
        int turnsMixedAt;  // the value that made the field mixed; -1 for none
    } cases[] = {
        {"no element", S::stateNone, {}, S::stateNone, 99, -1},
        {"one element", S::stateNone, {5}, S::stateCommon, 5, -1},
        {"all the same", S::stateNone, {5, 5, 5}, S::stateCommon, 5, -1},
        {"a later value differs", S::stateNone, {5, 5, 7, 5, 8}, S::stateMixed, 5, 2},
        {"the first value is shown even when mixed", S::stateNone, {7, 5}, S::stateMixed, 7, 1},
        {"a field the user changed keeps its value", S::stateChanged, {5, 7}, S::stateChanged, 99, -1},
        {"a mixed field stays mixed", S::stateMixed, {5, 5}, S::stateMixed, 99, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MCFieldStates states;
        states.Set(1, c.before);
        int shown = 99;
        int turnsMixedAt = -1;
        for (int i = 0; i < int(c.values.size()); ++i)
            if (states.Merge(1, shown, c.values[i]))
                turnsMixedAt = turnsMixedAt < 0 ? i : 100;  // a second turn would be a fault
        EXPECT_EQ(states.Get(1), c.state);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(turnsMixedAt, c.turnsMixedAt);
        // The neighbours are untouched.
        EXPECT_EQ(states.Get(0), S::stateNone);
        EXPECT_EQ(states.Get(2), S::stateNone);
    }
}

TEST(FieldStatesTest, KeepsEachFieldApartUpToTheLastAndResetsThemAll)
{
    using S = MCFieldStates;
    MCFieldStates states;
    std::string text;
    states.Merge(0, text, std::string("a"));
    states.Merge(0, text, std::string("b"));
    states.Set(S::kMaxFields - 1, S::stateChanged);
    EXPECT_EQ(states.Get(0), S::stateMixed);
    EXPECT_EQ(text, "a");
    EXPECT_TRUE(states.IsChanged(S::kMaxFields - 1));
    EXPECT_FALSE(states.IsChanged(0));
    for (int field = 1; field < S::kMaxFields - 1; ++field)
        EXPECT_EQ(states.Get(field), S::stateNone) << field;
    EXPECT_TRUE(states.AllMixed(1));
    EXPECT_FALSE(states.AllMixed(2));
    states.Set(1, S::stateMixed);
    EXPECT_TRUE(states.AllMixed(2));
    states.Set(0, S::stateCommon);
    EXPECT_FALSE(states.AllMixed(2));
    states.Reset();
    for (int field = 0; field < S::kMaxFields; ++field)
        EXPECT_EQ(states.Get(field), S::stateNone) << field;
}

}  // namespace

namespace palette {

using namespace documenttest;

// A palette window that records what its pages and forms tell it.
class PaletteWindow : public QWidget, public plat::ui::NoticeListener {
public:
    void onNotice(int, int code, QWidget* control) override { notices.push_back({code, control}); }
    std::vector<std::pair<int, QWidget*>> notices;
};

TEST(MusicButtonTest, HoldsItsElementAndGivingItTheSameOneKeepsItAlive)
{
    MCMusicButton button;
    auto* note = new ECNote(MCTime(0.0f), MCTime(1.0f));
    button.SetEvent(note, 3);
    ASSERT_EQ(note->GetRefCount(), 1u);
    button.SetEvent(note, 4);
    EXPECT_EQ(note->GetRefCount(), 1u);
    EXPECT_EQ(button.GetEvent(), note);
    EXPECT_EQ(button.GetEventCode(), 4);
    note->Ref();
    button.SetEvent(nullptr, 0);
    EXPECT_EQ(note->GetRefCount(), 1u);
    EXPECT_EQ(button.GetEventCode(), 0);
    note->Unref();
}

TEST(MusicButtonTest, StoresItsPlaceStateAndElementWhetherOrNotItHoldsOne)
{
    for (const bool withNote : {true, false}) {
        SCOPED_TRACE(withNote);
        QWidget parent;
        MCMusicButton stored(&parent);
        stored.InitWindow();
        stored.setGeometry(5, 6, 30, 20);
        stored.SetButtonState(1);
        if (withNote)
            stored.SetEvent(new ECNote(MCTime(2.0f), MCTime(0.5f)), 7);
        plat::MemoryStream stream;
        {
            plat::Archive out(stream, plat::Archive::Mode::store);
            stored.Serialize(out);
            out.writeI32(0x5A5A);
        }
        stream.seek(0);
        // The loading button holds an element where the stored one held none, and none where
        // it held one: the record still reads to its end.
        MCMusicButton loaded(&parent);
        if (!withNote)
            loaded.SetEvent(new ECNote(MCTime(0.0f), MCTime(1.0f)), 1);
        plat::Archive in(stream, plat::Archive::Mode::load);
        loaded.Serialize(in);
        EXPECT_EQ(in.readI32(), 0x5A5A);
        EXPECT_EQ(loaded.geometry(), QRect(5, 6, 30, 20));
        EXPECT_EQ(loaded.GetButtonState(), 1);
        EXPECT_EQ(loaded.GetButtonMode(), stored.GetButtonMode());
        EXPECT_EQ(loaded.GetTransparentColor(), MCMusicButton::kTransparentRed);
        ASSERT_EQ(loaded.GetEvent() != nullptr, withNote);
        if (withNote) {
            EXPECT_EQ(loaded.GetEvent()->GetEventId(), EventId::Note);
            EXPECT_EQ(loaded.GetEventCode(), 7);
        }
    }
}

std::optional<QImage> whiteSymbol(QWidget*, const MCDrawItem& item)
{
    QImage image(item.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

TEST(MusicButtonTest, APressedButtonIsSunkUnlessItAlsoHasTheFocus)
{
    MCMusicButton::SetSymbolDrawItemFunc(whiteSymbol);
    MCMusicButton button;
    MCDrawItem item;
    item.rect = QRect(0, 0, 20, 20);
    item.selected = true;
    const QImage pressed = *button.CreateImage(item);
    EXPECT_NE(pressed.pixelColor(0, 10), QColor(Qt::white));
    EXPECT_NE(pressed.pixelColor(10, 0), QColor(Qt::white));
    EXPECT_NE(pressed.pixelColor(1, 10), QColor(Qt::white));
    EXPECT_EQ(pressed.pixelColor(10, 10), QColor(Qt::white));
    item.focus = true;
    const QImage focused = *button.CreateImage(item);
    EXPECT_EQ(focused.pixelColor(0, 10), QColor(Qt::white));
    MCMusicButton::SetSymbolDrawItemFunc(nullptr);
}

TEST(MusicPageTest, SymbolListTakesNonZeroIdsAndRemovesOneOccurrence)
{
    MCMusicPage::RemoveSymbols();
    MCMusicPage::AddSymbol(0);
    EXPECT_TRUE(MCMusicPage::GetSymbols().empty());
    for (const unsigned id : {5u, 9u, 5u})
        MCMusicPage::AddSymbol(id);
    MCMusicPage::RemoveSymbol(42);
    MCMusicPage::RemoveSymbol(5);
    EXPECT_EQ(MCMusicPage::GetSymbols(), (std::vector<unsigned>{9u, 5u}));
    EXPECT_TRUE(MCMusicPage::FindSymbol(5));
    MCMusicPage::RemoveSymbols();
    EXPECT_FALSE(MCMusicPage::FindSymbol(9));
}

class MusicPageDocumentTest : public DocumentTest {};

TEST_F(MusicPageDocumentTest, ControlsFollowTheOpenDocumentAndAChoiceSwitchesToInserting)
{
    PaletteWindow palette;
    MCMusicPage::SetMusicWnd(&palette);
    auto* page = new MCMusicPage(&palette);
    auto* button = new MCMusicButton(page);
    button->SetButtonState(1);
    EXPECT_EQ(page->GetTitle(), "Music");

    MCOpusDoc::SetActiveDoc(nullptr);
    ASSERT_TRUE(page->onSetActive());
    EXPECT_FALSE(button->isEnabled());
    ASSERT_EQ(palette.notices.size(), 1u);
    EXPECT_EQ(palette.notices[0], std::make_pair(MCMusicPage::kPageActivated, static_cast<QWidget*>(page)));

    MCOpusDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    MCOpusDoc::SetActiveDoc(&doc);
    page->ClearPage();
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->GetButtonState(), 0);

    // The choice goes to the program (no performance), at once.
    int heard = 0;
    const auto previous = MCStateMgr::SetMainWindowHandler([&heard](SCBase* state) { heard = state->GetCode(); });
    page->SetEventType(EventId::Note);
    MCStateMgr::SetMainWindowHandler(previous);
    EXPECT_EQ(MCMusicPage::GetSymbolPage(), page);
    EXPECT_EQ(SCMode::GetEventType(), EventId::Note);
    EXPECT_EQ(heard, SCMode::kEventMode);

    // Forms: the palette hears each change, and nothing when no form was set and none is.
    palette.notices.clear();
    MCMusicForm::SetMusicForm(nullptr);
    EXPECT_TRUE(palette.notices.empty());
    MCMusicForm form(4100);
    MCMusicForm::SetMusicForm(&form);
    MCMusicForm::SetMusicForm(nullptr);
    ASSERT_EQ(palette.notices.size(), 2u);
    EXPECT_EQ(palette.notices[0].second, &form);
    EXPECT_EQ(palette.notices[1].second, nullptr);
    EXPECT_EQ(form.OnHelpHitTest(), 4100 + MCMusicForm::kHelpIdBase);
    MCMusicPage::SetMusicWnd(nullptr);
}

}  // namespace palette
