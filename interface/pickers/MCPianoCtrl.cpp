#include "interface/pickers/MCPianoCtrl.h"

#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

MCPianoCtrl::MCPianoCtrl(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Piano keyboard");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool MCPianoCtrl::SubclassCtrl(int id, QWidget* parent)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    update();
    return true;
}

void MCPianoCtrl::SetRange(int low, int high)
{
    if (low > high)
        std::swap(low, high);
    high = std::max(high, low + 12);
    m_low = low;
    m_high = high;
    m_count = high - low + 1;
    m_focusKey = std::clamp(m_focusKey, m_low, m_high);
    update();
}

void MCPianoCtrl::NoteOn(unsigned int, unsigned char, unsigned char, unsigned char)
{
}

void MCPianoCtrl::NoteOff(unsigned int, unsigned char, unsigned char, unsigned char)
{
}

bool MCPianoCtrl::IsBlack(int note)
{
    const int pitch = ((note % 12) + 12) % 12;
    return pitch == 1 || pitch == 3 || pitch == 6 || pitch == 8 || pitch == 10;
}

int MCPianoCtrl::WhiteKeyCount() const
{
    int count = 0;
    for (int note = m_low; note <= m_high; ++note)
        count += IsBlack(note) ? 0 : 1;
    return count;
}

int MCPianoCtrl::offset() const
{
    if (!m_centered)
        return 0;
    const int whites = WhiteKeyCount();
    const int keyWidth = whites ? width() / whites : 0;
    return (width() - keyWidth * whites) / 2;
}

QRect MCPianoCtrl::reducedClient() const
{
    QRect area(QPoint(0, 0), size());
    area.setLeft(area.left() + offset());
    if (m_labels != 0)
        area.setBottom(area.bottom() - kLabelBand);
    return area;
}

int MCPianoCtrl::WhiteKeyWidth() const
{
    const int whites = WhiteKeyCount();
    // The width is measured without the offset, so centring does not shrink the keys.
    return whites ? (reducedClient().width() + offset()) / whites : 0;
}

QRect MCPianoCtrl::KeyboardRect() const
{
    const QRect area = reducedClient();
    return QRect(area.left(), area.top(), WhiteKeyWidth() * WhiteKeyCount(), area.height() - 1);
}

QRect MCPianoCtrl::BlackKeyRect(int note) const
{
    if (note < m_low || note > m_high || !IsBlack(note))
        return QRect();
    const QRect keyboard = KeyboardRect();
    const int whiteWidth = WhiteKeyWidth();
    const int blackWidth = int(float(whiteWidth) * m_blackWidthRatio);
    const int blackHeight = int(float(keyboard.height() + 1) / m_blackHeightDivisor);
    int x = keyboard.left();
    for (int n = m_low; n < note; ++n) {
        if (!IsBlack(n))
            x += whiteWidth;
    }
    QRect key(x - blackWidth / 2, keyboard.top(), blackWidth, blackHeight);
    if (note == m_high)
        key.setWidth(blackWidth / 2);
    return key;
}

int MCPianoCtrl::HitTest(const QPoint& point) const
{
    if (!reducedClient().contains(point))
        return -1;
    for (int note = m_low; note <= m_high; ++note) {
        if (IsBlack(note) && BlackKeyRect(note).contains(point))
            return note;
    }
    const int whiteWidth = WhiteKeyWidth();
    if (whiteWidth <= 0)
        return -1;
    const int index = (point.x() - KeyboardRect().left()) / whiteWidth + 1;
    int white = 0;
    for (int note = m_low; note <= m_high; ++note) {
        if (!IsBlack(note) && ++white == index)
            return note;
    }
    return -1;
}

QRect MCPianoCtrl::MarkRect(int note) const
{
    if (note < m_low || note > m_high)
        return QRect();
    const QRect keyboard = KeyboardRect();
    const int whiteWidth = WhiteKeyWidth();
    const int diameter = int(float(whiteWidth) * m_blackWidthRatio);
    int centreX = 0;
    int bottom = 0;
    if (IsBlack(note)) {
        const QRect key = BlackKeyRect(note);
        centreX = key.left() + int(float(whiteWidth) * m_blackWidthRatio) / 2;
        bottom = key.top() + key.height();
    } else {
        int x = keyboard.left();
        for (int n = m_low; n < note; ++n) {
            if (!IsBlack(n))
                x += whiteWidth;
        }
        centreX = x + whiteWidth / 2;
        bottom = keyboard.top() + keyboard.height();
    }
    const int centreY = bottom - (diameter / 2 + 2);
    return QRect(centreX - diameter / 2, centreY - diameter / 2, diameter, diameter);
}

QFont MCPianoCtrl::labelFont()
{
    QFont font("Arial");
    font.setPixelSize(kLabelBand);
    return font;
}

QRect MCPianoCtrl::LabelRect(int note) const
{
    if (note % 12 != 0 || note < m_low || note > m_high)
        return {};
    const QRect keyboard = KeyboardRect();
    const int whiteWidth = WhiteKeyWidth();
    int left = keyboard.left();
    for (int key = m_low; key < note; ++key) {
        if (!IsBlack(key))
            left += whiteWidth;
    }
    const int textWidth = QFontMetrics(labelFont()).horizontalAdvance(QString::fromStdString(plat::format("C%d", note / 12 - 1)));
    const int textLeft = std::clamp(left + (whiteWidth - textWidth) / 2, 0, std::max(0, width() - textWidth));
    return QRect(textLeft, keyboard.bottom() + 1, textWidth, kLabelBand);
}

QSize MCPianoCtrl::sizeHint() const
{
    return QSize(WhiteKeyCount() * 10, 60 + (m_labels ? kLabelBand : 0));
}

void MCPianoCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRect keyboard = KeyboardRect();
    const int whiteWidth = WhiteKeyWidth();
    painter.fillRect(keyboard, plat::ui::toQColor(m_whiteColor));
    painter.setPen(plat::ui::toQColor(m_outlineColor));
    painter.drawLine(keyboard.left(), keyboard.bottom(), keyboard.right(), keyboard.bottom());
    painter.drawLine(keyboard.left(), keyboard.top(), keyboard.left(), keyboard.bottom());
    int x = keyboard.left();
    for (int note = m_low; note <= m_high; ++note) {
        if (IsBlack(note))
            continue;
        x += whiteWidth;
        painter.drawLine(x, keyboard.top(), x, keyboard.bottom());
    }
    for (int note = m_low; note <= m_high; ++note) {
        if (IsBlack(note))
            painter.fillRect(BlackKeyRect(note), plat::ui::toQColor(m_blackColor));
    }
    if (m_labels == 1) {
        painter.setFont(labelFont());
        for (int note = m_low; note <= m_high; ++note) {
            const QRect label = LabelRect(note);
            if (label.isEmpty())
                continue;
            painter.setPen(plat::ui::toQColor(note == 60 && m_markMiddleC ? m_middleCColor : m_labelColor));
            painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             QString::fromStdString(plat::format("C%d", note / 12 - 1)));
        }
    }
    if (m_current >= m_low && m_current <= m_high) {
        const QColor fill = plat::ui::toQColor(m_highlightColor);
        painter.setClipRect(keyboard);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QColor(int(fill.red() / 1.5), int(fill.green() / 1.5), int(fill.blue() / 1.5)));
        painter.setBrush(fill);
        painter.drawEllipse(MarkRect(m_current));
    }
    if (hasFocus() && m_focusKey >= m_low && m_focusKey <= m_high) {
        painter.setClipping(false);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(MarkRect(m_focusKey).adjusted(-2, -2, 2, 2));
    }
}

void MCPianoCtrl::press(int key, bool drag)
{
    if ((m_mode & 1) && key < 0)
        return;
    if (m_sound) {
        if (m_current >= 0 && m_current <= 127 && drag && (m_mode & 1))
            NoteOff(m_device, static_cast<unsigned char>(m_current), m_offVelocity, m_channel);
        if (key >= 0 && key <= 127)
            NoteOn(m_device, static_cast<unsigned char>(key), m_onVelocity, m_channel);
    }
    m_current = key;
    if (key >= 0)
        m_focusKey = key;
    update();
}

void MCPianoCtrl::release()
{
    if (m_sound && m_current >= 0 && m_current <= 127)
        NoteOff(m_device, static_cast<unsigned char>(m_current), m_offVelocity, m_channel);
    if (!(m_mode & 1))
        m_current = -1;
    update();
}

void MCPianoCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_captured = true;
    press(HitTest(event->position().toPoint()), false);
}

void MCPianoCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_captured)
        return;
    const int key = HitTest(event->position().toPoint());
    if (key != m_current) {
        // Outside hold mode, the key left ends its note before the next one starts.
        if (!(m_mode & 1) && m_sound && m_current >= 0 && m_current <= 127)
            NoteOff(m_device, static_cast<unsigned char>(m_current), m_offVelocity, m_channel);
        press(key, true);
    }
}

void MCPianoCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_captured) {
        event->ignore();
        return;
    }
    m_captured = false;
    release();
}

void MCPianoCtrl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_focusKey = std::clamp(m_focusKey + (event->key() == Qt::Key_Left ? -1 : 1), m_low, m_high);
        update();
        break;
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            press(m_focusKey, false);
        break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void MCPianoCtrl::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        release();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}
