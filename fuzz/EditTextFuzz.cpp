// Types any text into the time, note and number edits of a piece whose meter and tempo change,
// through the edits' own readers: first the readers alone, on the whole text in every time
// format, then one edit set up as the first byte says, the rest typed into it key by key or
// pasted whole.
//   first byte: bits 0-1 the edit (0 time, 1 note, 2 or 3 number); bits 2-4 the format (time:
//   0-5, 6 and 7 the user's choice; note: modulo 4) or the number's range (modulo 4); bit 5 a
//   duration (time edit); bit 6 pasted rather than typed; bit 7 indeterminate at first.
//   typed text: characters 1 to 8 are the Up, Down, Left, Right, Home, End, Backspace and
//   Delete keys, 10 is Enter.
// A note read is always 0 to 127, a number edit's value stays in its range, and any time read
// can be shown in every format.

#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzDocument.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "sequencer/transport/CSequence.h"

#include <QKeyEvent>
#include <QString>
#include <QWidget>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Two staves in 4/4, then 3/4 from beat 8 and 7/8 from beat 11; 120 beats a minute, slowing
// to 60 from beat 6 and jumping to 180 at beat 20; a note on each beat of the first staff.
MCOpusDoc& piece()
{
    static MCOpusDoc* const doc = [] {
        auto* made = new MCOpusDoc;
        made->OnNewDocument();
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 2);
        add->SetSynchronous(1);
        add->Apply(made->GetBaseEvent());
        ECConductorStaff* staff = made->GetBaseEvent()->GetConductor()->GetConductorStaff();
        const struct {
            float at;
            unsigned char numerator, denominator;
        } meters[] = {{8.0f, 3, 4}, {11.0f, 7, 8}};
        for (const auto& m : meters) {
            auto* meter = new ECMeter(m.numerator, m.denominator, 0);
            const MCTime at(m.at);
            meter->SetTime(&at);
            staff->GetMeterEnv()->AddChild(meter, 1);
        }
        const struct {
            float at, bpm;
            int style;
        } tempi[] = {{0.0f, 120.0f, ECEnvPoint::styleStep}, {6.0f, 120.0f, ECEnvPoint::styleLinear},
                     {14.0f, 60.0f, ECEnvPoint::styleStep}, {20.0f, 180.0f, ECEnvPoint::styleStep}};
        for (const auto& t : tempi) {
            auto* tempo = new ECTempo;
            const MCTime at(t.at);
            tempo->SetTime(&at);
            tempo->SetTempo(t.bpm, 1.0f);
            tempo->SetStyle(t.style);
            staff->GetTempoEnv()->AddChild(tempo, 1);
        }
        staff->GetTempoEnv()->RecalculateClockTimes();
        staff->GetConductorMeasureAtTime(MCTime(31.5f), 1, 1);
        ECConductor* conductor = made->GetBaseEvent()->GetConductor();
        for (int beat = 0; beat < 32; ++beat) {
            auto* note = new ECNote(MCTime(float(beat)), MCTime(1.0f));
            note->SetVoiceTrack(0, 1);
            conductor->GetMeasure(1, MCTime(float(beat)), 0, 0)->AddChild(note, 1);
        }
        made->GetSequence()->CheckDataIntegrity();
        return made;
    }();
    return *doc;
}

MCTimeSource& source()
{
    static MCSequenceTimeSource* const made = new MCSequenceTimeSource(*piece().GetSequence());
    return *made;
}

QWidget& holder()
{
    static QWidget* const window = new QWidget;
    return *window;
}

void setup()
{
    static const bool done = [] {
        FuzzDocument::Setup();
        FuzzApplication::Setup();
        SaveIntPreference("Settings\\Save", "CreateBackup", 0);
        source();
        MCTimeSource::SetActiveProvider([] { return &source(); });
        holder().resize(300, 100);
        return true;
    }();
    (void)done;
}

// Longer typing tells nothing more and slows the search.
constexpr int kMostKeys = 200;

void type(MCSpinEdit& edit, const QString& text)
{
    static const Qt::Key kKeys[] = {Qt::Key_Up,   Qt::Key_Down, Qt::Key_Left,      Qt::Key_Right,
                                    Qt::Key_Home, Qt::Key_End,  Qt::Key_Backspace, Qt::Key_Delete};
    int keys = 0;
    for (const QChar c : text) {
        if (++keys > kMostKeys)
            break;
        const ushort code = c.unicode();
        if (code >= 1 && code <= 8) {
            QKeyEvent press(QEvent::KeyPress, kKeys[code - 1], Qt::NoModifier);
            QApplication::sendEvent(&edit, &press);
        } else if (code == 10) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
            QApplication::sendEvent(&edit, &press);
        } else {
            const int key = c.isLetter() ? c.toUpper().unicode() : code;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&edit, &press);
        }
    }
}

void enter(MCSpinEdit& edit, const QString& text, bool paste)
{
    if (paste) {
        edit.setText(text);
        edit.OnChange();
    } else {
        type(edit, text);
    }
}

void checkShown(const MCTime& time, int duration)
{
    for (int format = 0; format <= 5; ++format) {
        std::string shown;
        if (MCTimeEdit::FormatTimeString(shown, time, format, duration, 0) != 1)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setup();
    const uint8_t choice = size ? data[0] : 0;
    const std::string text = size ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();

    for (int format = -1; format <= 5; ++format) {
        for (int duration = 0; duration <= 1; ++duration) {
            checkShown(MCTimeEdit::GetTimeFromString(text, &source(), format, duration), duration);
            MCTimeEdit::GetTimeFromString(text, nullptr, format, duration);
        }
    }
    const int note = MCNoteEdit::GetNoteFromString(text);
    if (note < 0 || note > 127)
        std::abort();
    if (const auto parsed = MCNoteEdit::ParseNoteString(text); parsed && (*parsed < 0 || *parsed > 127))
        std::abort();

    const int kind = choice & 3;
    const int format = (choice >> 2) & 7;
    const bool duration = (choice & 0x20) != 0;
    const bool paste = (choice & 0x40) != 0;
    const bool indeterminate = (choice & 0x80) != 0;
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (kind == 0) {
        MCTimeEdit edit(&holder());
        edit.InitWindow(MCSpinEdit::kVisibleSpin);
        edit.SetShowDuration(duration);
        edit.SetTimeFormat(format <= 5 ? format : -1);
        edit.SetTimeValue(MCTime(9.5f));
        edit.SetIndeterminate(indeterminate);
        enter(edit, typed, paste);
        checkShown(edit.GetTimeValue(), duration ? 1 : 0);
    } else if (kind == 1) {
        MCNoteEdit edit(&holder());
        edit.InitWindow(MCSpinEdit::kVisibleSpin);
        edit.SetNoteFormat(format % 4);
        edit.SetValue(60);
        edit.SetIndeterminate(indeterminate);
        enter(edit, typed, paste);
        if (edit.GetValue() < 0 || edit.GetValue() > 127)
            std::abort();
    } else {
        static const int kRanges[][2] = {{0, 127}, {-100, 100}, {8, 1}, {INT_MIN, INT_MAX}};
        const int lower = kRanges[format % 4][0], upper = kRanges[format % 4][1];
        MCSpinEdit edit(&holder());
        edit.InitWindow(MCSpinEdit::kVisibleSpin | (format & 4 ? MCSpinEdit::kWrap : 0));
        edit.SetRange(lower, upper);
        edit.SetValue(lower);
        edit.SetIndeterminate(indeterminate);
        enter(edit, typed, paste);
        if (edit.GetValue() < std::min(lower, upper) || edit.GetValue() > std::max(lower, upper))
            std::abort();
    }
    return 0;
}
