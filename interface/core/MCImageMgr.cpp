#include "interface/core/MCImageMgr.h"

#include "interface/core/MCBitmap.h"
#include "interface/core/MCPalette.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/resource/ImageResources.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

plat::ui::ColorRef systemColor(QPalette::ColorRole role)
{
    return plat::ui::fromQColor(QApplication::palette().color(QPalette::Active, role));
}

}  // namespace

MCImageMgr& MCImageMgr::GetImageMgr()
{
    static MCImageMgr instance;
    return instance;
}

uint32_t MCImageMgr::HashName(const char* name)
{
    uint32_t h = 0;
    for (const char* c = name; c && *c; ++c)
        h = h * 33 + uint32_t(int32_t(static_cast<signed char>(*c)));
    return h + 0x6000;
}

MCImageMgr::~MCImageMgr() = default;

std::unique_ptr<MCBitmap> MCImageMgr::load(const std::string& resource, plat::ui::ColorRef face,
                                           plat::ui::ColorRef highlight, plat::ui::ColorRef shadow, int scale) const
{
    auto bitmap = std::make_unique<MCBitmap>();
    if (!bitmap->Create(resource.c_str(), scale))
        return nullptr;
    bitmap->SetAutoDelete(0);
    if (m_palette)
        bitmap->SetPalette(m_palette);
    bitmap->MapColorsToPalette();
    if (face != kNoColor)
        bitmap->ReplaceColorIndex(face, systemColor(QPalette::Button));
    if (highlight != kNoColor)
        bitmap->ReplaceColorIndex(highlight, systemColor(QPalette::Light));
    if (shadow != kNoColor)
        bitmap->ReplaceColorIndex(shadow, systemColor(QPalette::Dark));
    QImage screen(1, 1, QImage::Format_RGB32);
    plat::ui::DrawContext dc(screen);
    bitmap->CreateSection(&dc);
    return bitmap;
}

MCBitmap* MCImageMgr::AddImage(uint32_t id, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                               plat::ui::ColorRef shadow, int scale)
{
    const auto key = std::make_pair(id & 0xFFFF, scale);
    if (const auto found = m_byId.find(key); found != m_byId.end())
        return found->second.get();
    std::unique_ptr<MCBitmap> bitmap =
        load(plat::ui::ImageResources::imageName(id & 0xFFFF), face, highlight, shadow, scale);
    if (!bitmap)
        return nullptr;
    return m_byId.emplace(key, std::move(bitmap)).first->second.get();
}

MCBitmap* MCImageMgr::AddImage(const char* name, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                               plat::ui::ColorRef shadow, int scale)
{
    if (!name)
        return nullptr;
    const auto key = std::make_pair(std::string(name), scale);
    if (const auto found = m_byName.find(key); found != m_byName.end())
        return found->second.get();
    std::unique_ptr<MCBitmap> bitmap = load(name, face, highlight, shadow, scale);
    if (!bitmap)
        return nullptr;
    return m_byName.emplace(key, std::move(bitmap)).first->second.get();
}

MCBitmap* MCImageMgr::GetImage(uint32_t id, int scale) const
{
    const auto found = m_byId.find(std::make_pair(id & 0xFFFF, scale));
    return found == m_byId.end() ? nullptr : found->second.get();
}

MCBitmap* MCImageMgr::GetImage(const char* name, int scale) const
{
    if (!name)
        return nullptr;
    const auto found = m_byName.find(std::make_pair(std::string(name), scale));
    return found == m_byName.end() ? nullptr : found->second.get();
}

void MCImageMgr::RemoveImages()
{
    m_byId.clear();
    m_byName.clear();
}

QImage* MCImageMgr::GetImageBuffer(QSize size, plat::ui::DrawContext* dc)
{
    const QPaintDevice* device = dc ? dc->painter().device() : nullptr;
    const qreal ratio = device ? device->devicePixelRatioF() : 1.0;
    if (m_buffer && size.width() <= m_bufferSize.width() && size.height() <= m_bufferSize.height() &&
        m_buffer->devicePixelRatio() == ratio)
        return m_buffer.get();
    m_bufferSize = QSize(std::max(m_bufferSize.width(), size.width()), std::max(m_bufferSize.height(), size.height()));
    m_buffer = std::make_unique<QImage>(int(std::ceil(m_bufferSize.width() * ratio)),
                                        int(std::ceil(m_bufferSize.height() * ratio)), QImage::Format_RGB32);
    m_buffer->setDevicePixelRatio(ratio);
    m_buffer->fill(Qt::black);
    return m_buffer.get();
}
