#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeSource.h"

#include "notabase/values/MCTime.h"

#include <string>

// The spin edit for a musical time, in one of six formats: 0 bar:beat, 1 bar:beat:tick,
// 2 bar:beat.thousandths, 3 beat.thousandths, 4 h:mm:ss.mmm, 5 beats:ticks; or, showing a
// duration, beats:ticks whatever the format. The text is divided into numeric groups: one is
// always selected, the arrow keys, the space bar and the colon move between them, and the spin
// steps the selected one within its range. The parent hears 0x30C0 after every change.
class INTERFACE_API MCTimeEdit : public MCSpinEdit {
public:
    static constexpr int kNotice = 0x30C0;
    enum Unit { unitBar, unitBeat, unitTick, unitThousandths, unitHours, unitMinutes, unitSeconds, unitWholeBeats };

    explicit MCTimeEdit(QWidget* parent = nullptr);

    // The text of time: empty when indeterminate; with duration "%04d:%03d" of whole beats and
    // ticks; with an active source the format's text; else the format's blank. Format -1 is the
    // user's choice ("Format" of "Settings\Interface\TimeEdit", 1 unless set). 0 (text empty)
    // for a format outside 0 to 5 when a time would have been shown, else 1.
    static int FormatTimeString(std::string& text, const MCTime& time, int format, int duration, int indeterminate);
    // The time a text of the format stands for (zero when it cannot be read, or without a
    // source unless it is a duration).
    static MCTime GetTimeFromString(const std::string& text, MCTimeSource* source, int format, int duration);

    bool SubclassTimeEdit(int id, QWidget* parent, int format, int options);
    void SetTimeFormat(int format);
    int GetTimeFormat() const { return m_format; }
    void SetTimeValue(const MCTime& time, bool repaint = true);
    MCTime GetTimeValue() const { return m_time; }
    void SetShowDuration(bool duration) { m_duration = duration; }
    bool IsShowDuration() const { return m_duration; }

    void OnSpin(int value) override;
    void OnChange() override;
    void SetIndeterminate(bool indeterminate) override;
    void InitWindow(int options) override;

    int GetGroup(int position) const;
    int GetCurrentGroup() const { return m_group; }
    void SetGroup(int group, bool apply);
    // The character range of the selected group.
    int SelectionStart() const { return m_selectionStart; }
    int SelectionEnd() const { return m_selectionEnd; }

protected:
    void UpdateFromText();
    void UpdateFromTime();
    void UpdateSpinCtrl(Unit unit);
    Unit GroupUnit(int group) const;

    // After the user changed the text (typing, a paste, a cut, a drop) from before, whose
    // selection was length characters from start: a text whose groups read within their
    // ranges is taken; any other is refused with a beep, the text as it was.
    bool TakeEdit(const QString& before, int start, int length);
    // Whether every group of text is digits (the seconds with their milliseconds) within what
    // it can show: a beat within its bar's meter, a tick within a beat, minutes and seconds
    // below 60. Missing groups read as their defaults.
    bool FitsRanges(const QString& text) const;

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The format whose groups the text has (5 for a duration).
    int shapeFormat() const;
    bool isFractionGroup(int group) const;
    // Where a replacing edit starts: the selection's start, else the caret.
    int editStart() const;

    bool m_duration = false;
    int m_format = 1;
    int m_lastPosition = 0;
    int m_group = 0;
    int m_selectionStart = 0;
    int m_selectionEnd = 3;
    MCTime m_time;
};
