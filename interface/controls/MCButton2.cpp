#include "interface/controls/MCButton2.h"

#include "interface/core/MCBitmap.h"
#include "interface/core/MCImageMgr.h"

#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/resource/ImageResources.h"

#include <QPainter>
#include <QRadioButton>

#include <cmath>

MCButton2::MCButton2(QWidget* parent) : MCBitmapButtonBase(0, parent)
{
}

bool MCButton2::AutoLoad(int id, QWidget* parent, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                         plat::ui::ColorRef shadow)
{
    auto* button = dynamic_cast<QAbstractButton*>(plat::ui::itemWidget(parent, id));
    const std::string caption = button ? button->text().toStdString() : std::string();
    const bool radio = dynamic_cast<QRadioButton*>(button) != nullptr;
    if (!button || !plat::ui::attachToItem(parent, id, this))
        return false;
    SetRadio(radio);
    setText(QString::fromStdString(caption));
    setAccessibleName(QString::fromStdString(caption));
    if (caption.empty())
        return false;
    return LoadBitmaps(caption.c_str(), face, highlight, shadow);
}

bool MCButton2::LoadBitmaps(const char* prefix, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                            plat::ui::ColorRef shadow)
{
    ClearBitmaps();
    const int scale = std::max(1, int(std::ceil(devicePixelRatioF())));
    for (int i = 0; i <= 9; ++i) {
        const std::string name = plat::format("%s%d", prefix ? prefix : "", i);
        if (!plat::ui::ImageResources::find(name))
            break;
        MCBitmap* bitmap = MCImageMgr::GetImageMgr().AddImage(name.c_str(), face, highlight, shadow, scale);
        if (!bitmap)
            break;
        AddBitmap(bitmap, -1);
    }
    m_prefix = prefix ? prefix : "";
    m_colors[0] = face;
    m_colors[1] = highlight;
    m_colors[2] = shadow;
    m_loadedScale = scale;
    SizeToContent();
    return true;
}

void MCButton2::followScreenRatio()
{
    const int scale = std::max(1, int(std::ceil(devicePixelRatioF())));
    if (m_loadedScale == 0 || scale == m_loadedScale)
        return;
    const std::string prefix = m_prefix;
    LoadBitmaps(prefix.c_str(), m_colors[0], m_colors[1], m_colors[2]);
}

void MCButton2::AddBitmap(MCBitmap* bitmap, int index)
{
    m_loadedScale = 0;
    if (index < 0 || index > GetStateCount())
        index = GetStateCount();
    m_bitmaps.insert(m_bitmaps.begin() + index, bitmap);
    update();
}

void MCButton2::ClearBitmaps()
{
    m_loadedScale = 0;
    m_bitmaps.clear();
    update();
}

MCBitmap* MCButton2::GetBitmap(int index) const
{
    return index >= 0 && index < GetStateCount() ? m_bitmaps[size_t(index)] : nullptr;
}

void MCButton2::SizeToContent()
{
    const MCBitmap* first = GetBitmap(0);
    if (!first)
        return;
    m_depth = first->GetColorDepth();
    m_size = first->GetLogicalSize();
    resize(m_size);
}

QSize MCButton2::sizeHint() const
{
    return m_size.isEmpty() ? QSize(16, 16) : m_size;
}

void MCButton2::paintEvent(QPaintEvent*)
{
    followScreenRatio();
    m_shownState = CurrentShownState();
    MCBitmap* bitmap = GetBitmap(m_shownState);
    if (!bitmap)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    plat::ui::DrawContext dc(painter);
    bitmap->Draw(&dc, rect(), QRect(QPoint(0, 0), bitmap->GetLogicalSize()));
}
