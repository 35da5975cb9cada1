#include "interface/controls/MCTimeEdit.h"

#include "interface/core/InterfaceModule.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct Group {
    int start;
    int end;
};

struct FormatShape {
    int limit;
    std::array<Group, 3> groups;
    std::array<MCTimeEdit::Unit, 3> units;
    // The character ending each group but the last.
    const char* separators;
};

// Groups as character ranges [start, end) of the shortest text; a two-group format has group 2
// ending at 0, and its group 2 takes group 0's characters and unit.
constexpr std::array<FormatShape, 6> kShapes = {{
    {6, {{{0, 3}, {4, 6}, {0, 0}}}, {MCTimeEdit::unitBar, MCTimeEdit::unitBeat, MCTimeEdit::unitBar}, ":"},
    {10, {{{0, 3}, {4, 6}, {7, 10}}}, {MCTimeEdit::unitBar, MCTimeEdit::unitBeat, MCTimeEdit::unitTick}, "::"},
    {11, {{{0, 3}, {4, 6}, {7, 11}}}, {MCTimeEdit::unitBar, MCTimeEdit::unitBeat, MCTimeEdit::unitThousandths}, ":."},
    {7, {{{0, 2}, {3, 8}, {0, 0}}}, {MCTimeEdit::unitBeat, MCTimeEdit::unitThousandths, MCTimeEdit::unitBeat}, "."},
    {11, {{{0, 1}, {2, 4}, {5, 11}}}, {MCTimeEdit::unitHours, MCTimeEdit::unitMinutes, MCTimeEdit::unitSeconds}, "::"},
    {8, {{{0, 4}, {5, 8}, {0, 0}}}, {MCTimeEdit::unitWholeBeats, MCTimeEdit::unitTick, MCTimeEdit::unitWholeBeats}, ":"},
}};

// The first group counts bars (or beats) and grows past its zero-padded digits: the text's
// limit leaves it room for every count an int holds.
constexpr int kCountDigits = 10;

int textLimit(const FormatShape& shape)
{
    return shape.limit - (shape.groups[0].end - shape.groups[0].start) + kCountDigits;
}

// The groups as the text divides them: each runs to its separator, the last to the end; a
// group whose separator is missing takes the rest, and those after it are empty at the end.
std::array<Group, 3> groupsOf(const QString& text, const FormatShape& shape)
{
    if (text.isEmpty())
        return shape.groups;
    std::array<Group, 3> groups = shape.groups;
    const int length = int(text.size());
    const int count = int(std::strlen(shape.separators)) + 1;
    int start = 0;
    for (int i = 0; i < count; ++i) {
        int end = i + 1 < count ? int(text.indexOf(QChar(shape.separators[i]), start)) : length;
        if (end < 0)
            end = length;
        groups[size_t(i)] = {start, end};
        start = std::min(end + 1, length);
    }
    return groups;
}

constexpr const char* kSection = "Settings\\Interface\\TimeEdit";

int resolvedFormat(int format)
{
    return format == -1 ? LoadIntPreference(kSection, "Format", 1) : format;
}

// Reading as the classic scanner does: blanks skipped before a number, an optional sign,
// digits up to the first other character; literals must match exactly.
class Scanner {
public:
    explicit Scanner(const std::string& text) : m_p(text.c_str()) {}

    bool integer(int& out)
    {
        skipBlanks();
        const char* p = m_p;
        bool negative = false;
        if (*p == '+' || *p == '-')
            negative = *p++ == '-';
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return false;
        long long value = 0;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            value = std::min<long long>(value * 10 + (*p - '0'), INT_MAX);
            ++p;
        }
        out = int(negative ? -value : value);
        m_p = p;
        return true;
    }
    bool real(double& out)
    {
        skipBlanks();
        char* end = nullptr;
        const double value = std::strtod(m_p, &end);
        if (end == m_p || !std::isfinite(value))
            return false;
        out = value;
        m_p = end;
        return true;
    }
    bool literal(char c)
    {
        if (*m_p != c)
            return false;
        ++m_p;
        return true;
    }

private:
    void skipBlanks()
    {
        while (std::isspace(static_cast<unsigned char>(*m_p)))
            ++m_p;
    }
    const char* m_p;
};

// Fields of "%d<sep>%d<sep>%d", as many as could be read in turn.
int scanIntegers(const std::string& text, const char* separators, int* values, int count)
{
    Scanner scan(text);
    int read = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !scan.literal(separators[i - 1]))
            break;
        if (!scan.integer(values[i]))
            break;
        ++read;
    }
    return read;
}

// A position held at the last bar an int counts may hold more ticks than a beat: their
// thousandths show as the most an int counts.
int thousandthsOf(int tick)
{
    const double thousandths = double(tick) / double(MCTime::GlobalPPQ) * 1000.0 + 0.5;
    return int(std::clamp(thousandths, double(INT_MIN), double(INT_MAX)));
}

int tickOfThousandths(int thousandths)
{
    return int(double(thousandths) / 1000.0 * double(MCTime::GlobalPPQ) + 0.5);
}

std::string durationText(const MCTime& time)
{
    const double value = time.GetSeconds();
    const double whole = std::floor(value);
    const double clamped = std::clamp(whole, double(INT_MIN), double(INT_MAX));
    return plat::format("%04d:%03d", int(clamped), int(double(MCTime::GlobalPPQ) * (value - whole) + 0.5));
}

}  // namespace

MCTimeEdit::MCTimeEdit(QWidget* parent) : MCSpinEdit(parent)
{
    // A selection the user makes (the keyboard, Select All) makes the group under its start
    // the one the next keys act on: after Select All and a typed bar, the colon goes on to the
    // beat, not to the group after the one last clicked.
    connect(this, &QLineEdit::selectionChanged, this, [this] {
        if (hasSelectedText())
            SetGroup(GetGroup(selectionStart()), false);
    });
}

int MCTimeEdit::FormatTimeString(std::string& text, const MCTime& time, int format, int duration, int indeterminate)
{
    text.clear();
    if (indeterminate)
        return 1;
    format = resolvedFormat(format);
    if (duration) {
        text = durationText(time);
        return 1;
    }
    MCTimeSource* source = MCTimeSource::Active();
    if (source && time != MCTime::TimeNull()) {
        if (format < 0 || format > 5)
            return 0;
        if (format == 4) {
            // Rounded to the millisecond, so a time typed as 2.300 shows as 2.300.
            const long long total = std::llround(double(time.GetSeconds()) * 1000.0);
            const long long ms = std::max(0LL, total);
            text = plat::format(InterfaceModule::String(11554).c_str(), int(ms / 3600000), int(ms / 60000 % 60),
                                int(ms / 1000 % 60), int(ms % 1000));
            return 1;
        }
        if (format == 5) {
            text = durationText(time);
            return 1;
        }
        MCTime position = time;
        source->BarPulseTickTime(position);
        const BPTTime* bpt = position.GetBarPulseTick();
        if (!bpt)
            return 1;
        const std::string pattern = InterfaceModule::String(uint32_t(11550 + format));
        // Counted from 1; a position held at the last bar int can count shows as that bar.
        const auto counted = [](int zeroBased) { return zeroBased == INT_MAX ? INT_MAX : zeroBased + 1; };
        const int bar = counted(bpt->bar);
        const int pulse = counted(bpt->pulse);
        switch (format) {
        case 0: text = plat::format(pattern.c_str(), bar, pulse); break;
        case 1: text = plat::format(pattern.c_str(), bar, pulse, bpt->tick); break;
        case 2: text = plat::format(pattern.c_str(), bar, pulse, thousandthsOf(bpt->tick)); break;
        case 3: text = plat::format(pattern.c_str(), pulse, thousandthsOf(bpt->tick)); break;
        default: break;
        }
        return 1;
    }
    if (format >= 0 && format <= 5)
        text = InterfaceModule::String(uint32_t(format == 5 ? 11560 : 11560 + format));
    return 1;
}

MCTime MCTimeEdit::GetTimeFromString(const std::string& text, MCTimeSource* source, int format, int duration)
{
    format = resolvedFormat(format);
    MCTime result = MCTime::TimeZero();
    if (duration || (source && format == 5)) {
        int fields[2] = {0, 0};
        const int read = scanIntegers(text, ":", fields, 2);
        if (read == 1)
            result = MCTime(float(fields[0]));
        else if (read == 2)
            result = MCTime(float(fields[0] + double(fields[1]) / double(MCTime::GlobalPPQ)));
        return result;
    }
    if (!source)
        return result;
    if (format == 4) {
        Scanner scan(text);
        int hours = 0, minutes = 0;
        double seconds = 0;
        double value = 0;
        if (scan.integer(hours)) {
            value = hours * 3600.0;
            if (scan.literal(':') && scan.integer(minutes)) {
                value += minutes * 60.0;
                if (scan.literal(':') && scan.real(seconds))
                    value += seconds;
            }
        }
        result = MCTime(float(value));
        result.SetMode(MCTime::clock);
        return result;
    }
    int bar = 0, pulse = 0, tick = 0;
    const auto atLeastOne = [](int value) { return value == 0 ? 1 : value; };
    switch (format) {
    case 0:
    case 1: {
        int fields[3] = {0, 0, 0};
        const int read = scanIntegers(text, "::", fields, format == 0 ? 2 : 3);
        if (read >= 1)
            bar = atLeastOne(fields[0]) - 1;
        if (read >= 2)
            pulse = atLeastOne(fields[1]) - 1;
        if (read >= 3)
            tick = fields[2];
        break;
    }
    case 2: {
        int fields[3] = {0, 0, 0};
        const int read = scanIntegers(text, ":.", fields, 3);
        if (read >= 1)
            bar = atLeastOne(fields[0]) - 1;
        if (read >= 2)
            pulse = atLeastOne(fields[1]) - 1;
        if (read >= 3)
            tick = tickOfThousandths(fields[2]);
        break;
    }
    case 3: {
        int fields[2] = {0, 0};
        const int read = scanIntegers(text, ".", fields, 2);
        if (read >= 1)
            pulse = atLeastOne(fields[0]) - 1;
        if (read >= 2)
            tick = tickOfThousandths(fields[1]);
        break;
    }
    default: return result;
    }
    result = MCTime(bar, pulse, tick, int(MCTime::GlobalPPQ));
    source->NormalizeTime(result);
    return result;
}

bool MCTimeEdit::SubclassTimeEdit(int id, QWidget* parent, int format, int options)
{
    if (!SubclassSpinEdit(id, parent, options))
        return false;
    SetTimeFormat(format);
    return true;
}

void MCTimeEdit::InitWindow(int options)
{
    MCSpinEdit::InitWindow(options);
    UpdateFromTime();
}

void MCTimeEdit::SetTimeFormat(int format)
{
    m_format = format;
    setMaxLength(format >= 0 && format <= 5 ? textLimit(kShapes[size_t(format)]) : 32767);
    UpdateFromTime();
}

void MCTimeEdit::SetTimeValue(const MCTime& time, bool repaint)
{
    m_time = time;
    UpdateFromTime();
    if (repaint)
        update();
}

void MCTimeEdit::SetIndeterminate(bool indeterminate)
{
    MCSpinEdit::SetIndeterminate(indeterminate);
    if (!indeterminate)
        UpdateFromTime();
}

int MCTimeEdit::shapeFormat() const
{
    if (m_duration)
        return 5;
    return m_format >= 0 && m_format <= 5 ? m_format : 1;
}

int MCTimeEdit::GetGroup(int position) const
{
    const FormatShape& shape = kShapes[size_t(shapeFormat())];
    const std::array<Group, 3> groups = groupsOf(text(), shape);
    if (position <= groups[0].end)
        return 0;
    if (position <= groups[1].end)
        return 1;
    if (shape.groups[2].end == 0)
        return 0;
    return 2;
}

MCTimeEdit::Unit MCTimeEdit::GroupUnit(int group) const
{
    return kShapes[size_t(shapeFormat())].units[size_t(std::clamp(group, 0, 2))];
}

void MCTimeEdit::SetGroup(int group, bool apply)
{
    m_group = std::clamp(group, 0, 2);
    const FormatShape& shape = kShapes[size_t(shapeFormat())];
    const std::array<Group, 3> groups = groupsOf(text(), shape);
    const Group range = shape.groups[size_t(m_group)].end == 0 ? groups[0] : groups[size_t(m_group)];
    m_selectionStart = range.start;
    m_selectionEnd = range.end;
    if (apply) {
        const int length = int(text().size());
        const int start = std::min(m_selectionStart, length);
        setSelection(start, std::min(m_selectionEnd, length) - start);
        UpdateSpinCtrl(GroupUnit(m_group));
    }
}

bool MCTimeEdit::isFractionGroup(int group) const
{
    const int format = shapeFormat();
    return ((format == 2 || format == 4) && group == 2) || (format == 3 && group == 1);
}

void MCTimeEdit::UpdateSpinCtrl(Unit unit)
{
    MCTimeSource* source = MCTimeSource::Active();
    if (!source)
        return;
    const long ppq = MCTime::GlobalPPQ;
    if (unit == unitWholeBeats || (unit == unitTick && shapeFormat() == 5)) {
        const double value = m_time.GetSeconds();
        const double whole = std::floor(value);
        if (unit == unitWholeBeats) {
            SetRange(0, 9999);
            Spin().SetPos(int(whole));
        } else {
            SetRange(0, int(ppq));
            Spin().SetPos(int(double(ppq) * (value - whole) + 0.5));
        }
        return;
    }
    if (unit == unitHours || unit == unitMinutes || unit == unitSeconds) {
        // The clock's groups step within what their digits show.
        const long long ms = std::max(0LL, std::llround(double(m_time.GetSeconds()) * 1000.0));
        if (unit == unitHours) {
            SetRange(0, 9);
            Spin().SetPos(int(std::min(ms / 3600000, 9LL)));
        } else {
            SetRange(0, 59);
            Spin().SetPos(int(unit == unitMinutes ? ms / 60000 % 60 : ms / 1000 % 60));
        }
        return;
    }
    MCTime position = m_time;
    source->BarPulseTickTime(position);
    const BPTTime* bpt = position.GetBarPulseTick();
    if (!bpt)
        return;
    switch (unit) {
    case unitBar:
        SetRange(1, 999);
        Spin().SetPos(bpt->bar + 1);
        break;
    case unitBeat:
        SetRange(1, source->MeterNumerator(m_time));
        Spin().SetPos(bpt->pulse + 1);
        break;
    case unitTick:
        SetRange(0, int(ppq));
        Spin().SetPos(bpt->tick);
        break;
    case unitThousandths:
        // Every value the group shows can be stepped to.
        SetRange(0, 999);
        Spin().SetPos(thousandthsOf(bpt->tick));
        break;
    default: break;
    }
}

void MCTimeEdit::OnSpin(int value)
{
    // The digits keep the width the group shows: a group's range may reach past its digits
    // (the fraction groups end at the text's limit).
    const QString current = text();
    const int start = std::min(m_selectionStart, int(current.size()));
    int end = start;
    while (end < std::min(m_selectionEnd, int(current.size())) && current.at(end).isDigit())
        ++end;
    const int width = end > start ? end - start : m_selectionEnd - m_selectionStart;
    const QString digits = QString::fromStdString(plat::format("%0*d", width, value));
    setUpdatesEnabled(false);
    setText(current.left(start) + digits + current.mid(end));
    SetGroup(m_group, false);
    setSelection(start, int(digits.size()));
    setUpdatesEnabled(true);
    repaint();
}

void MCTimeEdit::OnChange()
{
    UpdateFromText();
    NotifyParent(kNotice);
}

void MCTimeEdit::UpdateFromText()
{
    MCTimeSource* source = MCTimeSource::Active();
    if (!source)
        return;
    m_time = GetTimeFromString(text().toStdString(), source, m_format, m_duration);
}

void MCTimeEdit::UpdateFromTime()
{
    std::string shown;
    if (!m_indeterminate)
        FormatTimeString(shown, m_time, m_format, m_duration, 0);
    setText(QString::fromStdString(shown));
}

void MCTimeEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsDialogKey(event)) {
        PassDialogKey(event);
        return;
    }
    const int key = event->key();
    // The point typed at the end of the group before the fraction goes on to it, as the colon
    // does, so a time typed as it shows is taken.
    const char* separators = kShapes[size_t(shapeFormat())].separators;
    const bool pointGoesOn = key == Qt::Key_Period && m_group < int(std::strlen(separators)) && separators[m_group] == '.';
    if (key == Qt::Key_Space || key == Qt::Key_Right || key == Qt::Key_Colon || key == Qt::Key_Left || pointGoesOn) {
        m_group = key == Qt::Key_Left ? (m_group + 2) % 3 : (m_group + 1) % 3;
        UpdateFromText();
        SetTimeValue(m_time, true);
        SetGroup(m_group, true);
        event->accept();
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        MCSpinEdit::keyPressEvent(event);
        return;
    }
    const QString typed = event->text();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || (typed.isEmpty() && key != Qt::Key_Backspace) ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // A paste, a cut or an undo changes the text: the time follows it as for typing.
        const QString before = text();
        const int start = editStart(), length = int(selectedText().size());
        QLineEdit::keyPressEvent(event);
        if (text() != before)
            TakeEdit(before, start, length);
        return;
    }
    const QChar character = typed.isEmpty() ? QChar() : typed.at(0);
    const bool accepted = typed.size() == 1 && (character.isDigit() || (character == '.' && isFractionGroup(m_group)));
    if (accepted) {
        const QString before = text();
        const int start = editStart(), length = int(selectedText().size());
        QLineEdit::keyPressEvent(event);
        TakeEdit(before, start, length);
    }
    event->accept();
    if (m_indeterminate) {
        MCSpinEdit::SetIndeterminate(false);
        UpdateFromText();
        UpdateFromTime();
        SetGroup(0, true);
    }
}

void MCTimeEdit::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu's Paste and Delete change the text as typing does.
    const QString before = text();
    const int start = editStart(), length = int(selectedText().size());
    QLineEdit::contextMenuEvent(event);
    if (text() != before && TakeEdit(before, start, length))
        AfterTyping(true);
}

void MCTimeEdit::dropEvent(QDropEvent* event)
{
    const QString before = text();
    const int start = editStart(), length = int(selectedText().size());
    QLineEdit::dropEvent(event);
    if (text() != before && TakeEdit(before, start, length))
        AfterTyping(true);
}

int MCTimeEdit::editStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

bool MCTimeEdit::TakeEdit(const QString& before, int start, int length)
{
    if (FitsRanges(text())) {
        OnChange();
        return true;
    }
    setText(before);
    if (length > 0)
        setSelection(start, length);
    else
        setCursorPosition(start);
    QApplication::beep();
    return false;
}

bool MCTimeEdit::FitsRanges(const QString& text) const
{
    MCTimeSource* source = MCTimeSource::Active();
    if (!source)
        return true;
    const FormatShape& shape = kShapes[size_t(shapeFormat())];
    const std::array<Group, 3> groups = groupsOf(text, shape);
    const int count = int(std::strlen(shape.separators)) + 1;
    const auto allDigits = [](const QString& digits) {
        return std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); });
    };
    long long bar = 0;
    for (int i = 0; i < count; ++i) {
        const Group group = groups[size_t(i)];
        const QString field = text.mid(group.start, group.end - group.start);
        const Unit unit = shape.units[size_t(i)];
        // The seconds carry their milliseconds after a point.
        const QString whole = unit == unitSeconds ? field.section('.', 0, 0) : field;
        const QString fraction = unit == unitSeconds ? field.section('.', 1) : QString();
        if (!allDigits(whole) || !allDigits(fraction))
            return false;
        if (whole.isEmpty())
            continue;
        const long long value = whole.toLongLong();
        switch (unit) {
        case unitBar: bar = std::clamp(value, 1LL, (long long)INT_MAX) - 1; break;
        case unitBeat: {
            // A beat is counted within the meter of its bar.
            MCTime at(int(bar), 0, 0, int(MCTime::GlobalPPQ));
            source->NormalizeTime(at);
            if (value > source->MeterNumerator(at))
                return false;
            break;
        }
        case unitTick:
            if (value >= MCTime::GlobalPPQ)
                return false;
            break;
        case unitThousandths:
            if (value > 999)
                return false;
            break;
        case unitMinutes:
        case unitSeconds:
            if (value > 59)
                return false;
            break;
        default: break;
        }
    }
    return true;
}

void MCTimeEdit::mousePressEvent(QMouseEvent* event)
{
    UpdateFromText();
    SetTimeValue(m_time, true);
    setFocus(Qt::MouseFocusReason);
    m_lastPosition = cursorPositionAt(event->position().toPoint());
    SetGroup(GetGroup(m_lastPosition), true);
    event->accept();
}

void MCTimeEdit::focusInEvent(QFocusEvent* event)
{
    MCSpinEdit::focusInEvent(event);
    SetGroup(m_group, true);
}

void MCTimeEdit::focusOutEvent(QFocusEvent* event)
{
    MCSpinEdit::focusOutEvent(event);
    UpdateFromText();
    SetTimeValue(m_time, true);
}
