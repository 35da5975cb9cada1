#include "interface/controls/MCMarquee.h"

#include "interface/core/MCBitmap.h"

#include "platform/ui/draw/DrawContext.h"

#include <QPainter>

MCMarquee::MCMarquee(QWidget* parent) : SECMarquee(parent)
{
}

void MCMarquee::SetBackground(MCBitmap* bitmap, const QRect& source)
{
    m_background = bitmap;
    m_source = source;
    update();
}

int MCMarquee::OnScrollMarquee()
{
    ScrollBy(m_scrollDelta);
    return 1;
}

void MCMarquee::DoPaint(QPainter& painter)
{
    if (!m_background) {
        SECMarquee::DoPaint(painter);
        return;
    }
    if (!m_running)
        return;
    // Drawn whole into an image first, so the strip never flickers between background and
    // text; the image has the screen's resolution.
    const qreal ratio = devicePixelRatioF();
    QImage buffer((m_rectMarquee.size() * ratio).expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(Qt::black);
    {
        QPainter offscreen(&buffer);
        plat::ui::DrawContext dc(offscreen);
        const QRect whole(QPoint(0, 0), m_rectMarquee.size());
        QRect source = m_source;
        if (source.isEmpty())
            source = QRect(QPoint(0, 0), m_background->GetLogicalSize());
        m_background->Draw(&dc, whole, source);
        if (!m_shownText.empty()) {
            offscreen.setFont(m_font.value_or(font()));
            offscreen.setPen(plat::ui::toQColor(m_textColor));
            offscreen.drawText(QRect(m_shownLeft - m_rectMarquee.left(), 0, m_shownRight - m_shownLeft, whole.height()),
                               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip | Qt::TextSingleLine,
                               QString::fromStdString(m_shownText));
        }
    }
    painter.drawImage(m_rectMarquee.topLeft(), buffer);
}
