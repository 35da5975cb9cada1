#include "interface/controls/MCStaticEdit.h"

#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

MCStaticEdit::MCStaticEdit(QWidget* parent)
    : QLineEdit(parent),
      m_textColor(plat::ui::fromQColor(QApplication::palette().color(QPalette::Active, QPalette::ButtonText))),
      m_backgroundColor(plat::ui::fromQColor(QApplication::palette().color(QPalette::Active, QPalette::Button)))
{
    setFrame(false);
    setMaxLength(kMaxLength);
}

bool MCStaticEdit::Create(QWidget* parent, int id)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    setFont(QFont());
    initialize();
    return true;
}

bool MCStaticEdit::SubclassStaticEdit(int id, QWidget* parent)
{
    auto* item = dynamic_cast<QLineEdit*>(plat::ui::itemWidget(parent, id));
    if (item)
        setText(item->text());
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    initialize();
    return true;
}

void MCStaticEdit::initialize()
{
    setFixedHeight(fontMetrics().height() + 4 + (m_hasFrame ? 2 : 0));
    m_editing = true;
    SetEditing(false);
}

void MCStaticEdit::SetHasFrame(bool frame)
{
    m_hasFrame = frame;
    setTextMargins(frame ? 1 : 0, 0, frame ? 1 : 0, 0);
    update();
}

void MCStaticEdit::SetEditing(bool editing)
{
    if (!m_editEnabled)
        return;
    const bool was = m_editing;
    m_editing = editing;
    setReadOnly(!editing);
    setCursor(editing ? Qt::IBeamCursor : Qt::ArrowCursor);
    applyColours();
    if (editing && !was) {
        m_saved = text();
        selectAll();
        plat::ui::notifyParent(this, kBegan);
    } else if (!editing && was) {
        deselect();
        setCursorPosition(0);
        if (isModified()) {
            setModified(false);
            plat::ui::notifyParent(this, kCommitted);
        }
    }
    update();
}

void MCStaticEdit::applyColours()
{
    QPalette colours = palette();
    const QColor text = m_editing ? plat::ui::toQColor(plat::ui::ColorRef(SCSelection::GetColor())) : plat::ui::toQColor(m_textColor);
    const QColor background = m_editing ? QApplication::palette().color(QPalette::Active, QPalette::Base)
                                        : plat::ui::toQColor(m_backgroundColor);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, text);
        colours.setColor(group, QPalette::Base, background);
    }
    setPalette(colours);
}

bool MCStaticEdit::event(QEvent* event)
{
    if (!m_editEnabled) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseMove:
        case QEvent::FocusIn:
        case QEvent::InputMethod:
            event->accept();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                passToParent(static_cast<QMouseEvent*>(event));
                return true;
            }
            break;
        default:
            break;
        }
    } else if (!m_editing) {
        const auto* mouse = dynamic_cast<QMouseEvent*>(event);
        const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
        const bool right = mouse && mouse->button() == Qt::RightButton &&
                           (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease);
        if (doubleClick || right) {
            passToParent(static_cast<QMouseEvent*>(event));
            return true;
        }
    }
    return QLineEdit::event(event);
}

void MCStaticEdit::passToParent(QMouseEvent* event)
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QPointF at = mapTo(parent, event->position().toPoint());
    QMouseEvent copy(event->type(), at, event->globalPosition(), event->button(), event->buttons(), event->modifiers());
    QApplication::sendEvent(parent, &copy);
}

void MCStaticEdit::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && !m_editing)
        SetEditing(true);
}

void MCStaticEdit::keyPressEvent(QKeyEvent* event)
{
    if (m_editing && event->key() == Qt::Key_Escape) {
        setText(m_saved);
        setModified(false);
        clearFocus();
        SetEditing(false);
        return;
    }
    if (m_editing && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        clearFocus();
        SetEditing(false);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MCStaticEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (m_editing)
        SetEditing(false);
}

void MCStaticEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (!m_hasFrame)
        return;
    QPainter painter(this);
    const QColor frame = m_editing ? QApplication::palette().color(QPalette::Active, QPalette::Dark)
                                   : plat::ui::toQColor(m_backgroundColor);
    painter.setPen(frame);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
