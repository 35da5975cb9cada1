#include "mixer/controls/CLevelMeter.h"

#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/DrawContext.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

// Colour, width, height and device pixel ratio (in hundredths).
using CacheKey = std::tuple<plat::ui::ColorRef, int, int, int>;

struct SharedImages {
    int live = 0;
    std::map<CacheKey, std::shared_ptr<const QImage>> images;
};

SharedImages& shared()
{
    static SharedImages cache;
    return cache;
}

}  // namespace

CLevelMeter::CLevelMeter(QWidget* parent)
    : QWidget(parent),
      m_attack(LoadFloatPreference("Components\\Mixer", "Attack", 0.75f)),
      m_decay(LoadFloatPreference("Components\\Mixer", "Decay", 0.75f))
{
    ++shared().live;
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("Level"));
}

CLevelMeter::~CLevelMeter()
{
    m_unlit.reset();
    m_lit.reset();
    if (--shared().live == 0)
        shared().images.clear();
}

bool CLevelMeter::SubclassLevelMeter(int id, QWidget* parent)
{
    const QWidget* placeholder = plat::ui::itemWidget(parent, id);
    const QSize size = placeholder ? placeholder->minimumSize() : QSize();
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    if (!size.isEmpty())
        setFixedSize(size);
    return true;
}

float CLevelMeter::Ballistics(float level, float input, float attack, float decay)
{
    if (level != 0.0f && level < kFlushBelow)
        level = 0.0f;
    level = decay * level + attack * input;
    // A level that is not a number (a bad input) is silence.
    if (!(level > 0.0f))
        return 0.0f;
    return std::min(level, 1.0f);
}

int CLevelMeter::LitHeightOf(float level) const
{
    return int(float(BarRect().height()) * level + 0.5f);
}

QRect CLevelMeter::BarRect() const
{
    return rect().adjusted(0, 0, 0, -kBarInset);
}

int CLevelMeter::LitTop(int litHeight) const
{
    // The block below the bar lights with the bar's first row: a meter at rest is dark.
    return litHeight > 0 ? BarRect().bottom() + 1 - litHeight : height();
}

int CLevelMeter::ShownBars(int litHeight) const
{
    if (litHeight <= 0)
        return 0;
    // The bars are the rows BarRect().bottom(), two above it, and so on up to four rows below
    // the top; the rows between them look the same lit or not. The block below the bar counts
    // as one more.
    const int bottom = BarRect().bottom();
    const int highest = rect().top() + 4;
    const int bars = bottom >= highest ? (bottom - highest) / 2 + 1 : 0;
    return 1 + std::min((litHeight + 1) / 2, bars);
}

void CLevelMeter::SetLevel(float input, bool redraw)
{
    m_level = Ballistics(m_level, input, m_attack, m_decay);
    const int lit = LitHeightOf(m_level);
    if (lit == m_litHeight)
        return;
    const int before = LitTop(m_litHeight);
    const int after = LitTop(lit);
    // A move of the top across the dark row between two bars shows nothing new.
    const bool shownChanged = ShownBars(lit) != ShownBars(m_litHeight);
    m_litHeight = lit;
    if (redraw && shownChanged)
        update(QRect(0, std::min(before, after), width(), std::abs(after - before)));
}

void CLevelMeter::Reset(bool redraw)
{
    m_level = 0.0f;
    m_litHeight = 0;
    if (redraw)
        update();
}

void CLevelMeter::FreeImages(bool redraw)
{
    m_unlit.reset();
    m_lit.reset();
    if (redraw)
        update();
}

void CLevelMeter::SetSharedImages(bool on)
{
    if (on == UsesSharedImages())
        return;
    m_flags = on ? (m_flags | kShared) : (m_flags & ~kShared);
    FreeImages(false);
}

int CLevelMeter::LiveMeters()
{
    return shared().live;
}

size_t CLevelMeter::SharedImageCount()
{
    return shared().images.size();
}

CLevelMeter::Image CLevelMeter::PaintImage(plat::ui::ColorRef color) const
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (pixels.isEmpty())
        return nullptr;
    auto image = std::make_shared<QImage>(pixels, QImage::Format_RGB32);
    if (image->isNull())
        return nullptr;
    image->setDevicePixelRatio(ratio);
    QPainter painter(image.get());
    const QRect client = rect();
    {
        plat::ui::DrawContext dc(painter);
        dc.drawEdge(client, plat::ui::Edge::sunken);
    }
    painter.fillRect(client.adjusted(2, 2, -2, -2), plat::ui::toQColor(kBackground));
    if (color != kBackground) {
        const QColor lit = plat::ui::toQColor(color);
        const QRect inside = client.adjusted(2, 2, -3, -3);
        const int bottom = client.bottom() + 1;
        painter.fillRect(QRect(inside.left(), bottom - 7, inside.width(), 4), lit);
        for (int y = BarRect().bottom(); y >= client.top() + 4; y -= 2)
            painter.fillRect(QRect(inside.left(), y, inside.width(), 1), lit);
    }
    return image;
}

CLevelMeter::Image CLevelMeter::ImageOf(plat::ui::ColorRef color)
{
    if (!UsesSharedImages())
        return PaintImage(color);
    const CacheKey key{color, width(), height(), int(std::lround(devicePixelRatioF() * 100))};
    auto& images = shared().images;
    if (const auto found = images.find(key); found != images.end())
        return found->second;
    Image image = PaintImage(color);
    if (image)
        images.emplace(key, image);
    return image;
}

void CLevelMeter::paintEvent(QPaintEvent* event)
{
    const QRect update = event->rect();
    if (update.isEmpty())
        return;
    // Images of another ratio (the window moved to another screen) are made anew.
    const qreal ratio = devicePixelRatioF();
    if (m_unlit && m_unlit->devicePixelRatio() != ratio)
        FreeImages(false);
    if (!m_unlit)
        m_unlit = ImageOf(kBackground);
    if (!m_lit)
        m_lit = ImageOf(m_litColor);
    if (!m_unlit || !m_lit)
        return;
    QPainter painter(this);
    const int split = LitTop(m_litHeight);
    const QRect top = QRect(0, 0, width(), split).intersected(update);
    const QRect below = QRect(0, split, width(), height() - split).intersected(update);
    auto copy = [&](const QRect& part, const QImage& image) {
        if (part.isEmpty())
            return;
        const QRectF source(QPointF(part.topLeft()) * ratio, QSizeF(part.size()) * ratio);
        painter.drawImage(QRectF(part), image, source);
    };
    copy(top, *m_unlit);
    copy(below, *m_lit);
}

void CLevelMeter::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FreeImages(false);
    m_litHeight = LitHeightOf(m_level);
}
