#include "app/frame/CTimeDisplay.h"

#include "interface/controls/MCTimeEdit.h"
#include "notabase/prefs/Preferences.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

#include <algorithm>
#include <cstdlib>

namespace {

QFont toQFont(const plat::FontDescription& description)
{
    QFont font(QString::fromStdString(description.faceName));
    font.setPixelSize(std::max(1, std::abs(description.height)));
    font.setBold(description.isBold());
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    return font;
}

plat::FontDescription toDescription(const QFont& font)
{
    plat::FontDescription description;
    description.faceName = font.family().toStdString();
    // The character height in pixels, also for a font sized in points (as the font dialog
    // gives it): the line height would make the font grow with every restart.
    description.height = -(font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize());
    description.weight = font.bold() ? plat::FontDescription::kBoldWeight : plat::FontDescription::kNormalWeight;
    description.italic = font.italic();
    description.underline = font.underline();
    return description;
}

// The height of the digits: the ascent without the leading above them.
int digitHeight(const QFont& font)
{
    const QFontMetrics metrics(font);
    return std::max(1, metrics.ascent() - metrics.leading());
}

}  // namespace

CTimeDisplay::CTimeDisplay(QWidget* parent) : QWidget(parent)
{
    setObjectName("TimeDisplay");
    m_background = plat::ui::ColorRef(LoadIntPreference(kSection, "Background Color", 0));
    m_timeColor = plat::ui::ColorRef(LoadIntPreference(kSection, "Time Color", 255));
    m_unitsColor = plat::ui::ColorRef(LoadIntPreference(kSection, "Units Color", 0xFFFF));
    m_format = LoadIntPreference(kSection, "Time Format", LoadIntPreference("Settings\\Interface\\TimeEdit", "Format", 1));
    if (LoadIntPreference(kSection, "Units Visible", 0))
        m_flags |= 2;
    m_timeFont = toQFont(LoadFontPreference(kSection, "Time Font", "Arial", -21, 0, 0, 0, 0));
    m_unitsFont = toQFont(LoadFontPreference(kSection, "Units Font", "Arial", -8, 0, 0, 0, 0));
    m_time = MCTime::TimeZero();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CTimeDisplay::~CTimeDisplay()
{
    SaveIntPreference(kSection, "Background Color", int(m_background));
    SaveIntPreference(kSection, "Time Color", int(m_timeColor));
    SaveIntPreference(kSection, "Units Color", int(m_unitsColor));
    SaveIntPreference(kSection, "Time Format", m_format);
    SaveIntPreference(kSection, "Units Visible", UnitsVisible() ? 1 : 0);
    if (m_timeFont)
        SaveFontPreference(kSection, "Time Font", toDescription(*m_timeFont));
    if (m_unitsFont)
        SaveFontPreference(kSection, "Units Font", toDescription(*m_unitsFont));
}

const char* CTimeDisplay::SampleText(int format)
{
    switch (format) {
    case 0:
        return "000:00";
    case 1:
        return "000:00:000";
    case 2:
        return "000:00:0.00";
    case 4:
        return "0:00:00.00";
    default:
        return "000000";
    }
}

std::array<const char*, 3> CTimeDisplay::UnitLabels(int format)
{
    switch (format) {
    case 0:
        return {"Bar", nullptr, "Beat"};
    case 1:
    case 2:
        return {"Bar", "Beat", "Tick"};
    case 4:
        return {"Hr", "Min", "Sec"};
    default:
        return {nullptr, nullptr, nullptr};
    }
}

void CTimeDisplay::Invalidate()
{
    m_flags |= 1;
    m_textToDraw.reset();
    update();
}

void CTimeDisplay::SetTime(const MCTime& time, bool redraw)
{
    m_time = time;
    m_textToDraw.reset();
    if (!NeedsDrawing()) {
        QString text = TimeText();
        // A time that reads as the one shown changes nothing on the screen.
        if (text == m_drawnText)
            return;
        // Formatting a time is not free: the picture takes this text rather than format it again.
        m_textToDraw = std::move(text);
    }
    m_flags |= 1;
    if (redraw)
        repaint();
    else
        update();
}

void CTimeDisplay::SetFormat(int format)
{
    m_format = format;
    Invalidate();
}

void CTimeDisplay::SetUnitsVisible(bool visible)
{
    m_flags = uint8_t(visible ? (m_flags | 2) : (m_flags & ~2));
    Invalidate();
}

void CTimeDisplay::SetBackgroundColor(plat::ui::ColorRef color)
{
    m_background = color;
    Invalidate();
}

void CTimeDisplay::SetTimeColor(plat::ui::ColorRef color)
{
    m_timeColor = color;
    Invalidate();
}

void CTimeDisplay::SetUnitsColor(plat::ui::ColorRef color)
{
    m_unitsColor = color;
    Invalidate();
}

void CTimeDisplay::SetTimeFont(std::optional<QFont> font)
{
    m_timeFont = std::move(font);
    Invalidate();
}

void CTimeDisplay::SetUnitsFont(std::optional<QFont> font)
{
    m_unitsFont = std::move(font);
    Invalidate();
}

QString CTimeDisplay::TimeText() const
{
    std::string text;
    MCTimeEdit::FormatTimeString(text, m_time, m_format, 0, 0);
    return QString::fromStdString(text);
}

void CTimeDisplay::CalcLayout()
{
    const QFont timeFont = m_timeFont.value_or(font());
    const QFontMetrics metrics(timeFont);
    m_timeRect = QRect(0, 0, metrics.horizontalAdvance(QString::fromLatin1(SampleText(m_format))), digitHeight(timeFont));
    m_unitsRect = QRect();
    QRect all = m_timeRect;
    if (UnitsVisible() && m_unitsFont) {
        const int inset = QFontMetrics(*m_unitsFont).horizontalAdvance(QStringLiteral("00"));
        m_unitsRect = QRect(m_timeRect.left(), m_timeRect.bottom() + 1, m_timeRect.width(), digitHeight(*m_unitsFont));
        m_unitsRect.translate(0, 6);
        m_unitsRect.adjust(inset, 0, -inset, 0);
        m_unitsRect.translate(6, 6);
    }
    m_timeRect.translate(6, 6);
    all = m_unitsRect.isValid() ? m_timeRect.united(m_unitsRect) : m_timeRect;
    resize(all.adjusted(-6, -6, 6, 6).size());
    Invalidate();
}

void CTimeDisplay::resizeEvent(QResizeEvent* event)
{
    m_picture = QImage();
    m_flags |= 1;
    QWidget::resizeEvent(event);
}

void CTimeDisplay::DrawPicture()
{
    m_drawnText = m_textToDraw ? *m_textToDraw : TimeText();
    m_textToDraw.reset();
    m_picture.fill(plat::ui::toQColor(m_background));
    QPainter p(&m_picture);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect();
    frame.lineWidth = 2;
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &p, this);
    if (m_timeFont) {
        p.setFont(*m_timeFont);
        p.setPen(plat::ui::toQColor(m_timeColor));
        // One shaping of the text both measures and draws it.
        QTextLayout layout(m_drawnText, *m_timeFont, &m_picture);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const int width = qRound(line.horizontalAdvance());
        const QPointF baseline(m_timeRect.center().x() + 1 - width / 2, m_timeRect.bottom());
        layout.draw(&p, baseline - QPointF(0, line.ascent()));
    }
    if (UnitsVisible() && m_unitsFont && m_unitsRect.isValid()) {
        p.setFont(*m_unitsFont);
        p.setPen(plat::ui::toQColor(m_unitsColor));
        const QFontMetrics metrics(*m_unitsFont);
        const auto labels = UnitLabels(m_format);
        const int baseline = m_unitsRect.bottom() + 1;
        if (labels[0])
            p.drawText(QPoint(m_unitsRect.left(), baseline), QString::fromLatin1(labels[0]));
        if (labels[1]) {
            const QString label = QString::fromLatin1(labels[1]);
            p.drawText(QPoint(m_unitsRect.center().x() + 1 - metrics.horizontalAdvance(label) / 2, baseline), label);
        }
        if (labels[2]) {
            const QString label = QString::fromLatin1(labels[2]);
            p.drawText(QPoint(m_unitsRect.right() + 1 - metrics.horizontalAdvance(label), baseline), label);
        }
    }
}

void CTimeDisplay::paintEvent(QPaintEvent* event)
{
    if (event->rect().isEmpty())
        return;
    // The picture is made at the screen's pixel ratio; a window moved to a screen of another
    // ratio gets a new one.
    if (m_picture.isNull() || m_picture.devicePixelRatio() != devicePixelRatioF()) {
        const qreal ratio = devicePixelRatioF();
        m_picture = QImage(size() * ratio, QImage::Format_RGB32);
        m_picture.setDevicePixelRatio(ratio);
        m_flags |= 1;
    }
    if (m_flags & 1) {
        DrawPicture();
        m_flags &= ~1;
    }
    QPainter(this).drawImage(event->rect(), m_picture, QRectF(event->rect().topLeft() * m_picture.devicePixelRatio(),
                                                              event->rect().size() * m_picture.devicePixelRatio()));
}

void CTimeDisplay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_onClick)
        m_onClick();
    QWidget::mousePressEvent(event);
}
