#include "preferences/pages/CMiniImage.h"

#include "interface/core/MCBitmap.h"
#include "interface/core/MCPalette.h"
#include "platform/ui/dialog/ItemId.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <cmath>

CMiniImage::CMiniImage(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

CMiniImage::~CMiniImage() = default;

bool CMiniImage::Attach(int id, QWidget* parent)
{
    return plat::ui::attachToItem(parent, id, this);
}

void CMiniImage::SetImage(int id)
{
    m_bitmap.reset();
    if (id >= 0) {
        auto bitmap = std::make_unique<MCBitmap>();
        const int scale = std::max(1, static_cast<int>(std::ceil(devicePixelRatioF())));
        if (bitmap->Create(static_cast<uint32_t>(id), scale)) {
            if (MCPalette* palette = MCPalette::GetSharedPalette()) {
                bitmap->SetPalette(palette);
                bitmap->SetAutoDelete(0);
                bitmap->MapColorsToPalette();
            }
            m_bitmap = std::move(bitmap);
        }
    }
    repaint();
}

QSize CMiniImage::sizeHint() const
{
    return {160, 120};
}

void CMiniImage::paintEvent(QPaintEvent* event)
{
    if (event->rect().isEmpty())
        return;
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.frameShape = QFrame::Panel;
    frame.state |= QStyle::State_Sunken;
    frame.lineWidth = 2;
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    const QRect inside = rect().adjusted(2, 2, -2, -2);
    if (!m_bitmap || m_bitmap->IsEmpty()) {
        painter.fillRect(inside, palette().brush(QPalette::Dark));
        return;
    }
    const QImage image = m_bitmap->ToImage();
    const QSize size = m_bitmap->GetLogicalSize();
    if (image.isNull() || size.isEmpty())
        return;
    painter.setClipRect(inside);
    if (size.width() <= inside.width() && size.height() <= inside.height()) {
        painter.drawTiledPixmap(inside, QPixmap::fromImage(image));
        return;
    }
    painter.fillRect(inside, palette().brush(QPalette::Dark));
    const QSize fitted = size.scaled(inside.size(), Qt::KeepAspectRatio);
    const QRect target(inside.center() - QPoint(fitted.width() / 2, fitted.height() / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
}
