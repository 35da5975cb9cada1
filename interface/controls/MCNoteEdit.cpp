#include "interface/controls/MCNoteEdit.h"

#include "interface/core/InterfaceModule.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/resource/MenuResources.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

// Whether layout, or a layout inside it, holds widget.
bool holds(const QLayout& layout, const QWidget* widget)
{
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (item->widget() == widget || (item->layout() && holds(*item->layout(), widget)))
            return true;
    }
    return false;
}

constexpr const char* kSection = "Settings\\Interface\\NoteEdit";
constexpr const char* kFlatLetters = "CDDEEFGGAABB";
constexpr const char* kSharpLetters = "CCDDEFFGGAAB";

bool isBlack(int pitchClass)
{
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

int pitchOfLetter(char letter)
{
    switch (letter) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return -1;
    }
}

std::string upperTrimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return plat::upperAscii(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The classic integer reading: an optional sign, then digits up to the first other character;
// 0 without digits. Large numbers stop growing at the int limit.
int leadingInteger(const std::string& text, size_t start, size_t* stop = nullptr)
{
    size_t p = start;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';
    long long value = 0;
    const size_t digits = p;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
        value = std::min<long long>(value * 10 + (text[p] - '0'), INT_MAX);
        ++p;
    }
    if (stop)
        *stop = p == digits ? start : p;
    return int(negative ? -value : value);
}

// The note of a name: pitch class, accidental and octave, the octave limited to -1 to 9 and
// the note to 0 to 127. rest is where the octave's text ends.
int noteOfName(const std::string& text, size_t* rest)
{
    int pitch = pitchOfLetter(text[0]);
    size_t p = 1;
    if (p < text.size() && text[p] == '#') {
        ++pitch;
        ++p;
    } else if (p < text.size() && text[p] == 'B') {
        --pitch;
        ++p;
    }
    const int octave = std::clamp(leadingInteger(text, p, rest), -1, 9);
    return std::clamp(pitch + (octave + 1) * 12, 0, 127);
}

}  // namespace

MCNoteEdit::MCNoteEdit(QWidget* parent)
    : MCSpinEdit(parent), m_showNumber(LoadIntPreference(kSection, "ShowNoteNumber", 0) != 0),
      m_format(LoadIntPreference(kSection, "Format", sharps)), m_drums(new MCDrumsBox(this))
{
    m_drums->hide();
    SetRange(0, 127);
    // The layout keeps the edit's place while the drum list stands in it.
    QSizePolicy policy = sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    setSizePolicy(policy);
}

MCNoteEdit::~MCNoteEdit()
{
    delete m_drums;
}

int MCNoteEdit::FormatNoteString(std::string& text, int note, int format)
{
    if (format == -1)
        format = LoadIntPreference(kSection, "Format", sharps);
    if (format < numbers || format > drums)
        return 0;
    note = std::clamp(note, 0, 127);
    const int pitch = note % 12, octave = note / 12 - 1;
    switch (format) {
    case numbers: text = plat::format("%d", note); break;
    case flats:
        text = isBlack(pitch) ? plat::format("%cb%d", kFlatLetters[pitch], octave)
                              : plat::format("%c%d", kFlatLetters[pitch], octave);
        break;
    case sharps:
        text = isBlack(pitch) ? plat::format("%c#%d", kSharpLetters[pitch], octave)
                              : plat::format("%c%d", kSharpLetters[pitch], octave);
        break;
    default: text = MCDrumsBox::DrumName(note); break;
    }
    return 1;
}

int MCNoteEdit::GetNoteFromString(const std::string& input)
{
    const std::string text = upperTrimmed(input);
    if (text.empty())
        return 0;
    if (std::isdigit(static_cast<unsigned char>(text[0])))
        return std::clamp(leadingInteger(text, 0), 0, 127);
    if (text.size() >= 2 && pitchOfLetter(text[0]) >= 0) {
        size_t rest = 0;
        return noteOfName(text, &rest);
    }
    return 0;
}

std::optional<int> MCNoteEdit::ParseNoteString(const std::string& input)
{
    std::string text = upperTrimmed(input);
    // The number a name shows after it, in parentheses, is allowed and must agree.
    std::optional<int> shownNumber;
    if (const size_t open = text.find('('); open != std::string::npos && text.back() == ')' && open > 0) {
        size_t stop = 0;
        const int number = leadingInteger(text, open + 1, &stop);
        if (stop != text.size() - 1 || stop == open + 1)
            return std::nullopt;
        shownNumber = number;
        text = upperTrimmed(text.substr(0, open));
    }
    if (text.empty())
        return std::nullopt;
    std::optional<int> note;
    if (std::isdigit(static_cast<unsigned char>(text[0]))) {
        size_t stop = 0;
        const int number = leadingInteger(text, 0, &stop);
        if (stop == text.size() && number <= 127)
            note = number;
    } else if (text.size() >= 2 && pitchOfLetter(text[0]) >= 0) {
        int pitch = pitchOfLetter(text[0]);
        size_t p = 1;
        if (text[p] == '#' || text[p] == 'B')
            pitch += text[p++] == '#' ? 1 : -1;
        size_t stop = 0;
        // A typed octave can be as large as an int: the note is worked out in a wider type
        // and refused when out of range.
        const long long octave = leadingInteger(text, p, &stop);
        const long long value = pitch + (octave + 1) * 12;
        if (stop == text.size() && stop > p && value >= 0 && value <= 127)
            note = int(value);
    }
    if (note && shownNumber && *shownNumber != *note)
        return std::nullopt;
    return note;
}

bool MCNoteEdit::SubclassNoteEdit(int id, QWidget* parent, int options)
{
    return SubclassSpinEdit(id, parent, options);
}

void MCNoteEdit::InitWindow(int options)
{
    MCSpinEdit::InitWindow(options);
    SetRange(0, 127);
    if (QWidget* holder = parentWidget()) {
        m_drums->setParent(holder);
        m_drums->Create(geometry(), holder, plat::ui::itemId(this));
        plat::ui::setItemId(m_drums, 0);
    }
    m_drums->SetBuddy(this);
    m_drums->setEnabled(!m_indeterminate);
    placeDrums();
    SetNoteFormat(m_format);
}

void MCNoteEdit::placeDrums()
{
    if (!m_drums || m_drums->parentWidget() != parentWidget())
        return;
    // Where a layout holds the list in the edit's place, the layout places it.
    if (const QLayout* layout = parentWidget() ? parentWidget()->layout() : nullptr; layout && !holds(*layout, this))
        return;
    m_drums->setGeometry(geometry());
}

void MCNoteEdit::moveEvent(QMoveEvent* event)
{
    MCSpinEdit::moveEvent(event);
    placeDrums();
}

void MCNoteEdit::resizeEvent(QResizeEvent* event)
{
    MCSpinEdit::resizeEvent(event);
    placeDrums();
}

void MCNoteEdit::SetNoteFormat(int format)
{
    m_format = format;
    const bool drumList = format == drums;
    if (m_drums->parentWidget() == parentWidget() && parentWidget()) {
        // In a layout the list takes the edit's place: a hidden edit is not told where the layout
        // moves it, so the list could not follow it there.
        if (QLayout* layout = parentWidget()->layout()) {
            QWidget* const shown = drumList ? static_cast<QWidget*>(m_drums) : this;
            QWidget* const gone = drumList ? static_cast<QWidget*>(this) : m_drums;
            delete layout->replaceWidget(gone, shown, Qt::FindChildrenRecursively);
        }
        setVisible(!drumList);
        m_drums->setVisible(drumList);
        if (drumList)
            m_drums->raise();
    }
    Spin().setEnabled(!drumList && !m_indeterminate);
    SetValue(GetValue());
}

void MCNoteEdit::SetShowNoteNumber(bool show)
{
    m_showNumber = show;
    m_drums->SetShowNoteNumber(show);
    SetValue(GetValue());
}

bool MCNoteEdit::EnableWindow(bool enable)
{
    const bool was = isEnabled();
    setEnabled(enable);
    m_drums->setEnabled(enable);
    Spin().setEnabled(enable);
    return was;
}

void MCNoteEdit::SetIndeterminate(bool indeterminate)
{
    MCSpinEdit::SetIndeterminate(indeterminate);
    if (indeterminate) {
        m_drums->SetValue(-1);
        m_drums->setEnabled(false);
    } else {
        m_drums->SetValue(GetValue());
        m_drums->setEnabled(true);
    }
}

void MCNoteEdit::SetValue(int note)
{
    if (m_indeterminate)
        return;
    Spin().SetPos(note);
    m_drums->SetValue(GetValue());
    OnSpin(GetValue());
}

void MCNoteEdit::OnSpin(int note)
{
    std::string shown;
    if (m_format >= numbers && m_format <= sharps) {
        FormatNoteString(shown, note, m_format);
        if (m_showNumber && m_format != numbers)
            shown += plat::format(" (%d)", note);
    }
    setText(QString::fromStdString(shown));
    selectAll();
}

void MCNoteEdit::OnChange()
{
    std::optional<int> note;
    if (m_format == drums)
        note = std::max(m_drums->GetValue(), 0);
    else
        note = ParseNoteString(text().toStdString());
    // What cannot be read leaves the note as it was; a dialog refuses the text.
    if (note) {
        Spin().SetPos(*note);
        m_drums->SetValue(*note);
    }
    NotifyParent(kNotice);
}

bool MCNoteEdit::IsTextValid() const
{
    if (m_format == drums || (m_indeterminate && text().isEmpty()))
        return true;
    return ParseNoteString(text().toStdString()).has_value();
}

void MCNoteEdit::onNotice(int id, int code, QWidget* control)
{
    if (control == m_drums && code == MCDrumsBox::kNotice) {
        Spin().SetPos(std::max(m_drums->GetValue(), 0));
        OnSpin(GetValue());
        OnChange();
        return;
    }
    MCSpinEdit::onNotice(id, code, control);
}

bool MCNoteEdit::AcceptsCharacter(QChar) const
{
    return true;
}

void MCNoteEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsDialogKey(event)) {
        PassDialogKey(event);
        return;
    }
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        MCSpinEdit::keyPressEvent(event);
        return;
    }
    QLineEdit::keyPressEvent(event);
    const QString typed = event->text();
    if (typed.size() == 1 && typed.at(0).isLetterOrNumber()) {
        OnChange();
        if (m_indeterminate)
            MCSpinEdit::SetIndeterminate(false);
    }
}

void MCNoteEdit::focusOutEvent(QFocusEvent* event)
{
    MCSpinEdit::focusOutEvent(event);
    if (isModified()) {
        setModified(false);
        OnChange();
    }
}

void MCNoteEdit::OnMenuCommand(int id)
{
    if (id == kShowNumberId) {
        SetShowNoteNumber(!m_showNumber);
        SaveIntPreference(kSection, "ShowNoteNumber", m_showNumber ? 1 : 0);
        return;
    }
    const int format = id == 11611 ? numbers : id == 11612 ? sharps : id == 11613 ? flats : id == 11614 ? drums : 0;
    SetNoteFormat(format);
    SaveIntPreference(kSection, "Format", format);
}

void MCNoteEdit::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_contextMenu) {
        MCSpinEdit::contextMenuEvent(event);
        return;
    }
    const std::optional<plat::ui::MenuResources::Menu> resource =
        plat::ui::MenuResources::load(InterfaceModule::kName, kMenuId);
    if (!resource)
        return;
    QMenu menu;
    QActionGroup formats(&menu);
    for (const plat::ui::MenuEntry& entry : resource->entries) {
        if (entry.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(entry.text));
        action->setData(int(entry.id));
        action->setCheckable(true);
        if (entry.id == kShowNumberId) {
            action->setChecked(m_showNumber);
        } else {
            formats.addAction(action);
            const int format = entry.id == 11611 ? numbers : entry.id == 11612 ? sharps : entry.id == 11613 ? flats : drums;
            action->setChecked(format == m_format);
        }
    }
    if (QAction* picked = plat::ui::ModalHooks::popupMenu(menu, event->globalPos()))
        OnMenuCommand(picked->data().toInt());
}
