#pragma once

// What the tests of the note, envelope and flow pages share: a small piece in a document whose
// times the time edits convert, the notes of it by staff and quarter, a page shown for a
// selection as the inspector shows it, typing into the page's edits, the answers of the
// "Change Note Times" warning, and the undo history.

#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/pages/MCInspectorPage.h"
#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/tests/support/LayoutCheck.h"
#include "platform/ui/tests/support/ScreenshotFolder.h"
#include "sequencer/data/DCsqNote.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace notepagestest {

using namespace documenttest;

// The warnings asked, answered from a script (OK when it is empty).
class WarningLog {
public:
    WarningLog()
        : m_scope(hooks([this](QDialog& dialog) {
              auto* warning = dynamic_cast<MCWarnDialog*>(&dialog);
              asked.push_back(warning ? warning->GetTitle() + "|" + warning->GetMessage() : "?");
              const bool ok = answers.empty() ? true : answers.front();
              if (!answers.empty())
                  answers.erase(answers.begin());
              return ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
          }))
    {
    }
    std::vector<std::string> asked;
    std::vector<bool> answers;

private:
    static plat::ui::ModalHooks::Hooks hooks(std::function<int(QDialog&)> run)
    {
        plat::ui::ModalHooks::Hooks all;
        all.runDialog = std::move(run);
        return all;
    }
    plat::ui::ModalHooks::Scoped m_scope;
};

class NotePagesTest : public DocumentTest {
public:
    static constexpr int kStaves = 2;
    static constexpr int kQuarters = 4;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(m_doc, kStaves, kQuarters);
        // Four quarters a bar, so that the time edits read bars and beats.
        auto* meter = new ECMeter(4, 4, 0);
        meter->SetTime(&MCTime::TimeZero());
        meter->SetBarPulseTick(0, 0, 0, int(MCTime::GlobalPPQ));
        Performance()->GetConductor()->GetConductorStaff()->GetMeterEnv()->AddChild(meter, 1);
        m_times = std::make_unique<MCSequenceTimeSource>(*m_doc.GetSequence());
        MCTimeSource::SetActiveProvider([this] { return m_times.get(); });
        for (int staff = 1; staff <= kStaves; ++staff)
            for (int q = 0; q < kQuarters; ++q)
                m_notes[{staff, q}] = FindNote(staff, float(q), 0);
        m_doc.SetModifiedFlag(0);
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        DocumentTest::TearDown();
    }

    ECPerformance* Performance() const { return m_doc.GetBaseEvent(); }
    ECNote* Note(int staff, int quarter) { return m_notes.at({staff, quarter}); }

    ECNote* FindNote(int staff, float time, int voice)
    {
        ECMeasure* measure = Performance()->GetConductor()->GetMeasure(staff, MCTime(time), 0, 0);
        if (!measure)
            return nullptr;
        for (ECBase* e : *measure->GetChildren())
            if (e->GetEventId() == EventId::Note && e->GetTime()->GetSeconds() == time && e->GetVoice() == voice)
                return static_cast<ECNote*>(e);
        return nullptr;
    }

    // Another note in the piece: on staff at time, in voice, with key.
    ECNote* AddNote(int staff, float time, float duration, int voice, int key)
    {
        ECMeasure* measure = Performance()->GetConductor()->GetMeasure(staff, MCTime(time), 0, 0);
        auto* note = new ECNote(MCTime(time), MCTime(duration));
        note->SetVoiceTrack(voice, staff);
        measure->AddChild(note, 1);
        if (auto* data = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 1))) {
            data->SetNoteOnData(FCMidi(0x90u | MIDIWORD(key) << 8 | 100u << 16));
            data->SetNoteOffData(FCMidi(0x80u | MIDIWORD(key) << 8));
        }
        m_doc.GetSequence()->CheckDataIntegrity();
        return note;
    }

    void Select(std::initializer_list<ECBase*> elements)
    {
        m_selection.RemoveAll();
        for (ECBase* e : elements)
            m_selection.AddTail(e);
    }

    // The page as the inspector shows it for the selection.
    void Show(MCInspectorPage& page)
    {
        page.SetDocument(&m_doc);
        page.SetEventList(&m_selection);
        page.UpdatePage();
        page.updateData(false);
        page.SetModifiedFlag(false);
    }

    // What a user typing into a time edit of the page makes: the text of time, then the change.
    static void TypeTime(QWidget* page, int id, const MCTime& time)
    {
        auto* edit = plat::ui::item<MCTimeEdit>(page, id);
        ASSERT_NE(edit, nullptr);
        std::string text;
        MCTimeEdit::FormatTimeString(text, time, edit->IsShowDuration() ? 5 : edit->GetTimeFormat(),
                                     edit->IsShowDuration(), 0);
        edit->SetIndeterminate(false);
        edit->setText(QString::fromStdString(text));
        edit->OnChange();
    }
    static void TypeText(QWidget* page, int id, const char* text)
    {
        auto* edit = plat::ui::item<MCSpinEdit>(page, id);
        ASSERT_NE(edit, nullptr);
        edit->SetIndeterminate(false);
        edit->setText(text);
        edit->OnChange();
    }

    std::string UndoName()
    {
        std::string undo;
        if (!m_doc.OnUpdateEditUndo(undo))
            return "";
        return undo.substr(0, undo.find('\t'));
    }

    static int Key(ECBase* note)
    {
        return plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0))->GetNoteOnData().GetDataByte1();
    }
    static int OffKey(ECBase* note)
    {
        return plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0))->GetNoteOffData().GetDataByte1();
    }
    static int Velocity(ECBase* note)
    {
        return plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0))->GetNoteOnData().GetDataByte2();
    }
    static float Start(ECBase* e) { return e->GetTime()->GetSeconds(); }
    static float Length(ECBase* e) { return e->GetDuration()->GetSeconds(); }

    // Start, length, key and velocity of every note of the piece, to compare before and after.
    std::vector<std::vector<float>> Everything()
    {
        std::vector<std::vector<float>> all;
        for (auto& [where, note] : m_notes)
            all.push_back({Start(note), Length(note), float(Key(note)), float(OffKey(note)), float(Velocity(note))});
        for (ECBase* note : m_extra)
            all.push_back({Start(note), Length(note), float(Key(note)), float(Velocity(note))});
        return all;
    }

    // Shows the page on a screen and saves its picture; the path, or "" when it could not.
    static std::string Screenshot(QWidget& page, const std::string& name)
    {
        page.resize(page.sizeHint().expandedTo(QSize(320, 220)));
        page.show();
        // The check lays the window out and shows it as the user sees it; the picture is taken
        // of that.
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(page)) << name;
        const QString path = plat::ui::test::ScreenshotFolder::path(QUAVIX_SCREENSHOT_DIR) + "/" +
                             QString::fromStdString(name) + ".png";
        const bool saved = page.grab().save(path);
        return saved ? path.toStdString() : std::string();
    }

    MCOpusDoc m_doc;
    MCEventList m_selection;
    std::unique_ptr<MCSequenceTimeSource> m_times;
    std::map<std::pair<int, int>, ECNote*> m_notes;
    std::vector<ECNote*> m_extra;
};

}  // namespace notepagestest
