#include "interface/controls/MCSpinEdit.h"

#include "platform/ui/dialog/ItemId.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

#include <charconv>

MCSpinEdit::MCSpinEdit(QWidget* parent) : QLineEdit(parent), m_spin(this)
{
    m_spin.SetBuddy(this, this);
    m_spin.hide();
    ShowSelection(false);
}

void MCSpinEdit::ShowSelection(bool show)
{
    // A value spun or set stays selected for the next keystroke, but an edit without the
    // focus does not show its selection: a dialog full of spin edits would look all
    // highlighted.
    // Only the selection's two colours change: an edit may have its own text colour.
    QPalette colours = palette();
    const QPalette standard = QApplication::palette(this);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Highlight,
                         show ? standard.color(group, QPalette::Highlight) : colours.color(group, QPalette::Base));
        colours.setColor(group, QPalette::HighlightedText,
                         show ? standard.color(group, QPalette::HighlightedText) : colours.color(group, QPalette::Text));
    }
    setPalette(colours);
}

void MCSpinEdit::focusInEvent(QFocusEvent* event)
{
    ShowSelection(true);
    QLineEdit::focusInEvent(event);
}

void MCSpinEdit::focusOutEvent(QFocusEvent* event)
{
    ShowSelection(false);
    QLineEdit::focusOutEvent(event);
}

MCSpinEdit::~MCSpinEdit() = default;

bool MCSpinEdit::Create(QWidget* parent, int id, int options)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    InitWindow(options);
    return true;
}

bool MCSpinEdit::SubclassSpinEdit(int id, QWidget* parent, int options)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    InitWindow(options);
    return true;
}

void MCSpinEdit::InitWindow(int options)
{
    m_spin.SetAccel({{0, 1}, {2, 5}, {3, 10}, {5, 50}});
    m_spin.SetWrapAround((options & kWrap) != 0);
    m_spin.setEnabled(!m_indeterminate);
    m_spin.setVisible((options & kVisibleSpin) != 0);
    if (options & kLargeFont) {
        // Arial at 80 % of the field's inner height.
        QFont large("Arial");
        large.setPixelSize(std::max(6, int((height() - 4) * 0.8)));
        setFont(large);
    } else {
        setFont(QFont());
    }
    placeSpin();
}

void MCSpinEdit::placeSpin()
{
    if (!m_spin.isVisibleTo(this)) {
        setTextMargins(0, 0, 0, 0);
        return;
    }
    const int width = m_spin.sizeHint().width();
    m_spin.setGeometry(this->width() - width - 1, 1, width, height() - 2);
    setTextMargins(0, 0, width, 0);
}

void MCSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    placeSpin();
}

void MCSpinEdit::SetIndeterminate(bool indeterminate)
{
    m_indeterminate = indeterminate;
    m_spin.setEnabled(!indeterminate);
    if (indeterminate)
        clear();
}

int MCSpinEdit::GetValue() const
{
    return m_spin.GetPos();
}

void MCSpinEdit::SetValue(int value)
{
    if (m_indeterminate)
        return;
    m_spin.SetPos(value);
    OnSpin(GetValue());
}

void MCSpinEdit::GetRange(int& lower, int& upper) const
{
    m_spin.GetRange(lower, upper);
}

void MCSpinEdit::SetRange(int lower, int upper)
{
    m_spin.SetRange(lower, upper);
}

void MCSpinEdit::OnSpin(int value)
{
    setText(QString::number(value));
    selectAll();
}

std::optional<int> MCSpinEdit::ParseInteger(const QString& text)
{
    const std::string value = text.trimmed().toStdString();
    if (value.empty())
        return std::nullopt;
    int parsed = 0;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, parsed);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return parsed;
}

bool MCSpinEdit::IsTextValid() const
{
    if (m_indeterminate && text().isEmpty())
        return true;
    const std::optional<int> value = ParseInteger(text());
    int lower = 0, upper = 0;
    GetRange(lower, upper);
    return value && *value >= std::min(lower, upper) && *value <= std::max(lower, upper);
}

void MCSpinEdit::OnChange()
{
    // Only a whole number within the range moves the value; anything else waits until the
    // text is right (a dialog refuses it then).
    const std::optional<int> value = ParseInteger(text());
    int lower = 0, upper = 0;
    GetRange(lower, upper);
    if (value && *value >= std::min(lower, upper) && *value <= std::max(lower, upper))
        m_spin.SetPos(*value);
    NotifyParent(kNotice);
}

void MCSpinEdit::NotifyParent(int code)
{
    plat::ui::notifyParent(this, code);
}

void MCSpinEdit::onNotice(int, int code, QWidget* control)
{
    if (control == &m_spin && code == MCSpin::kNotice) {
        OnSpin(GetValue());
        OnChange();
    }
}

bool MCSpinEdit::AcceptsCharacter(QChar character) const
{
    int lower = 0, upper = 0;
    GetRange(lower, upper);
    return character.isDigit() || character == '.' || (character == '-' && std::min(lower, upper) < 0);
}

void MCSpinEdit::AfterTyping(bool accepted)
{
    if (accepted && m_indeterminate)
        SetIndeterminate(false);
}

bool MCSpinEdit::IsDialogKey(const QKeyEvent* event)
{
    const int key = event->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

void MCSpinEdit::PassDialogKey(QKeyEvent* event)
{
    QLineEdit::keyPressEvent(event);
    event->ignore();
}

void MCSpinEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsDialogKey(event)) {
        PassDialogKey(event);
        return;
    }
    // The up and down keys step the spin, visible or not.
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        if (m_spin.isEnabled())
            m_spin.Step(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (event->key() == Qt::Key_Backspace) {
        QLineEdit::keyPressEvent(event);
        OnChange();
        AfterTyping(true);
        return;
    }
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || typed.isEmpty() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) || !typed.at(0).isPrint()) {
        // Delete, paste, cut and undo change the text too; the value follows it as for typing.
        const QString before = text();
        QLineEdit::keyPressEvent(event);
        if (text() != before) {
            OnChange();
            AfterTyping(true);
        }
        return;
    }
    if (typed.size() != 1 || !AcceptsCharacter(typed.at(0))) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
    OnChange();
    AfterTyping(true);
}

void MCSpinEdit::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu's Paste and Delete change the text as typing does.
    const QString before = text();
    QLineEdit::contextMenuEvent(event);
    if (text() != before) {
        OnChange();
        AfterTyping(true);
    }
}

void MCSpinEdit::mousePressEvent(QMouseEvent* event)
{
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}
