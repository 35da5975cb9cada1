#include "interface/core/SECMarquee.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace {

// The length of the UTF-8 sequence that starts with byte.
size_t sequenceLength(unsigned char byte)
{
    if (byte >= 0xF0)
        return 4;
    if (byte >= 0xE0)
        return 3;
    if (byte >= 0xC0)
        return 2;
    return 1;
}

}  // namespace

SECMarquee::SECMarquee(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rectMarquee = rect();
}

SECMarquee::~SECMarquee() = default;

void SECMarquee::StartScrolling(bool start)
{
    if (start == m_running)
        return;
    m_running = start;
    if (start) {
        m_rectMarquee = rect();
        m_shownText.clear();
        m_shownLeft = m_shownRight = m_rectMarquee.right() + 1;
        m_nextIndex = 0;
        m_gapRemaining = 0;
        m_gapEnded = false;
        m_timer = startTimer(m_interval);
    } else if (m_timer) {
        killTimer(m_timer);
        m_timer = 0;
    }
    update();
}

void SECMarquee::SetText(const std::string& text)
{
    m_sourceText = text;
    if (m_nextIndex >= m_sourceText.size())
        m_nextIndex = 0;
}

void SECMarquee::SetColors(plat::ui::ColorRef text, plat::ui::ColorRef background)
{
    m_textColor = text;
    m_backgroundColor = background;
    update();
}

void SECMarquee::SetFont(const QFont& font, bool redraw)
{
    m_font = font;
    if (redraw)
        update();
}

void SECMarquee::SetGapFraction(double fraction)
{
    m_gapFraction = std::clamp(fraction, 0.0, 1.0);
}

void SECMarquee::SetInterval(int milliseconds)
{
    m_interval = std::max(milliseconds, 1);
    if (m_timer) {
        killTimer(m_timer);
        m_timer = startTimer(m_interval);
    }
}

int SECMarquee::TextWidth(const std::string& text) const
{
    const QFontMetrics metrics(m_font.value_or(font()));
    return metrics.horizontalAdvance(QString::fromStdString(text));
}

int SECMarquee::OnScrollMarquee()
{
    ScrollBy(1);
    return 1;
}

void SECMarquee::ScrollBy(int step)
{
    m_shownLeft -= step;
    m_shownRight -= step;
    m_gapRemaining -= step;

    // The next character: a blank while the gap runs, else the source's next one.
    const bool fromGap = m_gapRemaining >= 1 || m_sourceText.empty();
    std::string next = " ";
    if (!fromGap) {
        const size_t length = std::min(sequenceLength(static_cast<unsigned char>(m_sourceText[m_nextIndex])),
                                       m_sourceText.size() - m_nextIndex);
        next = m_sourceText.substr(m_nextIndex, length);
    }
    const int width = TextWidth(next);

    if (m_shownRight <= m_rectMarquee.right() + 1) {
        m_shownRight += width;
        m_shownText += next;
        if (m_gapEnded) {
            m_gapEnded = false;
            OnGapEnded();
        }
        if (!fromGap) {
            if (m_nextIndex == 0)
                OnTextStart();
            m_nextIndex += next.size();
            if (m_nextIndex >= m_sourceText.size()) {
                m_nextIndex = 0;
                m_gapRemaining = int(m_rectMarquee.width() * m_gapFraction + 0.5);
                m_gapEnded = true;
            }
        }
    }

    // Characters scrolled out completely on the left are dropped.
    while (!m_shownText.empty()) {
        const size_t length = std::min(sequenceLength(static_cast<unsigned char>(m_shownText[0])), m_shownText.size());
        const int first = TextWidth(m_shownText.substr(0, length));
        if (m_shownLeft + first >= 0)
            break;
        m_shownLeft += first;
        m_shownText.erase(0, length);
    }
    update();
}

void SECMarquee::OnTextStart()
{
    if (m_onTextStart)
        m_onTextStart();
}

void SECMarquee::OnGapEnded()
{
    if (m_onGapEnded)
        m_onGapEnded();
}

void SECMarquee::DoPaint(QPainter& painter)
{
    painter.fillRect(rect(), plat::ui::toQColor(m_backgroundColor));
    if (m_shownText.empty())
        return;
    painter.setFont(m_font.value_or(font()));
    painter.setPen(plat::ui::toQColor(m_textColor));
    painter.drawText(QRect(m_shownLeft, m_rectMarquee.top(), m_shownRight - m_shownLeft, m_rectMarquee.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, QString::fromStdString(m_shownText));
}

void SECMarquee::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DoPaint(painter);
}

void SECMarquee::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer)
        OnScrollMarquee();
    else
        QWidget::timerEvent(event);
}

void SECMarquee::resizeEvent(QResizeEvent* event)
{
    m_rectMarquee = rect();
    QWidget::resizeEvent(event);
}

QSize SECMarquee::sizeHint() const
{
    const QFontMetrics metrics(m_font.value_or(font()));
    return QSize(metrics.averageCharWidth() * 40, metrics.height() + 4);
}
