#include "interface/controls/MCButton.h"

#include "interface/core/MCBitmap.h"

#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/image/KeyColorMap.h"
#include "platform/ui/resource/ImageResources.h"

#include <QApplication>
#include <QRadioButton>
#include <QPainter>

#include <cmath>
#include <exception>

MCButton::MCButton(QWidget* parent) : MCBitmapButtonBase(HotTrack, parent), m_factory(::GetDrawItemFunc())
{
}

MCButton::~MCButton()
{
    DeleteBitmaps(true);
}

int MCButton::LoadScale() const
{
    return std::max(1, int(std::ceil(devicePixelRatioF())));
}

bool MCButton::AutoLoad(int id, QWidget* parent)
{
    QWidget* item = plat::ui::itemWidget(parent, id);
    auto* button = dynamic_cast<QAbstractButton*>(item);
    const std::string caption = button ? button->text().toStdString() : std::string();
    const bool radio = dynamic_cast<QRadioButton*>(item) != nullptr;
    if (!item || !plat::ui::attachToItem(parent, id, this))
        return false;
    SetRadio(radio);
    setText(QString::fromStdString(caption));
    setAccessibleName(QString::fromStdString(caption));
    if (caption.empty())
        return false;
    try {
        return LoadBitmaps(caption.c_str());
    } catch (const std::exception&) {
        plat::UserPrompt::Message message;
        message.text = plat::format("Failed to load button images (%s)", caption.c_str());
        message.icon = plat::UserPrompt::Icon::error;
        plat::UserPrompt::ask(message);
        return false;
    }
}

bool MCButton::LoadBitmaps(const char* prefix)
{
    DeleteBitmaps(true);
    const int scale = LoadScale();
    for (int i = 0; i <= 9; ++i) {
        auto bitmap = std::make_unique<MCBitmap>();
        if (!bitmap->Create(plat::format("%s%d", prefix ? prefix : "", i).c_str(), scale))
            break;
        AddBitmap(std::move(bitmap), -1);
    }
    m_loadedPrefix = prefix ? prefix : "";
    m_loadedFirstId = 0;
    m_loadedScale = scale;
    SizeToContent();
    return true;
}

bool MCButton::LoadBitmaps(uint32_t firstId)
{
    DeleteBitmaps(true);
    const int scale = LoadScale();
    for (uint32_t i = 0; i < 10; ++i) {
        auto bitmap = std::make_unique<MCBitmap>();
        if (!bitmap->Create(firstId + i, scale))
            break;
        AddBitmap(std::move(bitmap), -1);
    }
    m_loadedPrefix.clear();
    m_loadedFirstId = firstId;
    m_loadedScale = scale;
    SizeToContent();
    return true;
}

void MCButton::followScreenRatio()
{
    if (m_loadedScale == 0 || LoadScale() == m_loadedScale)
        return;
    // The faces come from the bitmaps: both are made again at the new resolution.
    const std::string prefix = m_loadedPrefix;
    try {
        if (prefix.empty())
            LoadBitmaps(m_loadedFirstId);
        else
            LoadBitmaps(prefix.c_str());
    } catch (const std::exception& error) {
        // Painting goes on with what is there; the images loaded at the start were good.
        plat::trace("MCButton: images not loaded again (%s)", error.what());
        m_loadedScale = 0;
    }
}

MCBitmap* MCButton::GetBitmap(int index) const
{
    return index >= 0 && index < GetStateCount() ? m_bitmaps[size_t(index)].get() : nullptr;
}

bool MCButton::GetBitmapInfo(int index, QSize& size) const
{
    const MCBitmap* bitmap = GetBitmap(index);
    if (!bitmap || bitmap->IsEmpty())
        return false;
    size = bitmap->GetLogicalSize();
    return true;
}

void MCButton::SizeToContent()
{
    QSize size;
    if (GetBitmapInfo(0, size))
        resize(size);
}

QSize MCButton::sizeHint() const
{
    QSize size;
    return GetBitmapInfo(0, size) ? size : QSize(16, 16);
}

void MCButton::AddBitmap(std::unique_ptr<MCBitmap> bitmap, int index)
{
    // The owner's own set from now on: it is not loaded again.
    m_loadedScale = 0;
    if (index < 0 || index > GetStateCount())
        index = GetStateCount();
    m_bitmaps.insert(m_bitmaps.begin() + index, std::move(bitmap));
    m_images.insert(m_images.begin() + index, std::nullopt);
    update();
}

std::unique_ptr<MCBitmap> MCButton::DeleteBitmap(int index, bool destroy)
{
    if (index == -1) {
        DeleteBitmaps(destroy);
        return nullptr;
    }
    if (index < 0 || index >= GetStateCount())
        return nullptr;
    m_loadedScale = 0;
    std::unique_ptr<MCBitmap> bitmap = std::move(m_bitmaps[size_t(index)]);
    m_bitmaps.erase(m_bitmaps.begin() + index);
    m_images.erase(m_images.begin() + index);
    update();
    return destroy ? nullptr : std::move(bitmap);
}

void MCButton::DeleteBitmaps(bool destroy)
{
    for (int i = GetStateCount() - 1; i >= 0; --i)
        DeleteBitmap(i, destroy);
}

plat::ui::ColorRef MCButton::SetTransparentColor(plat::ui::ColorRef color)
{
    return std::exchange(m_transparent, color);
}

void MCButton::dropFaces()
{
    for (std::optional<QImage>& image : m_images)
        image.reset();
}

void MCButton::resizeEvent(QResizeEvent* event)
{
    dropFaces();
    MCBitmapButtonBase::resizeEvent(event);
}

void MCButton::changeEvent(QEvent* event)
{
    // The faces carry the button colour and the screen's resolution, and a face a function
    // draws may show whether the button is enabled.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        (event->type() == QEvent::EnabledChange && m_factory))
        dropFaces();
    MCBitmapButtonBase::changeEvent(event);
}

std::optional<QImage> MCButton::CreateImage(const MCDrawItem& item)
{
    if (m_factory) {
        if (std::optional<QImage> image = m_factory(this, item)) {
            m_factoryExtent = image->deviceIndependentSize().toSize();
            return image;
        }
    } else {
        m_factoryExtent = QSize();
    }
    return composeImage(item.itemState);
}

std::optional<QImage> MCButton::composeImage(int index) const
{
    const MCBitmap* bitmap = GetBitmap(index);
    if (!bitmap || bitmap->IsEmpty())
        return std::nullopt;
    QImage source = bitmap->ToImage();
    if (m_transparent != kNoColor) {
        plat::ui::KeyColorMap mask;
        mask.setTransparent(m_transparent & 0xFFFFFF);
        source = mask.apply(source);
        source.setDevicePixelRatio(bitmap->GetScale());
    }
    const qreal ratio = devicePixelRatioF();
    const QSize client = size();
    QImage face((QSizeF(client) * ratio).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    face.setDevicePixelRatio(ratio);
    face.fill(palette().color(QPalette::Active, QPalette::Button));
    {
        QPainter painter(&face);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        const QSize logical = bitmap->GetLogicalSize();
        if (logical.width() > client.width() || logical.height() > client.height()) {
            painter.drawImage(QRect(QPoint(0, 0), client), source);
        } else {
            const QPoint offset((client.width() - logical.width()) / 2, (client.height() - logical.height()) / 2);
            painter.drawImage(QRect(offset, logical), source);
        }
        if (m_mode & Framed) {
            plat::ui::DrawContext dc(painter);
            dc.drawEdge(QRect(QPoint(0, 0), client), index == 1 ? plat::ui::Edge::sunken : plat::ui::Edge::raised);
        }
    }
    return face;
}

void MCButton::DrawItem(QPainter& painter, const MCDrawItem& item)
{
    const int index = item.itemState;
    if (index < 0 || index >= GetStateCount())
        return;
    std::optional<QImage>& image = m_images[size_t(index)];
    // A face made for a screen of another pixel ratio is made again.
    if (image && image->devicePixelRatio() != item.devicePixelRatio)
        image.reset();
    if (!image) {
        image = CreateImage(item);
        if (!image)
            return;
    }
    if (m_factoryExtent.isEmpty() || !m_factory)
        painter.drawImage(QPoint(0, 0), *image);
    else
        painter.drawImage(item.rect, *image);

    plat::ui::DrawContext dc(painter);
    if (m_hot) {
        if (index == 0)
            MCDrawRaisedRect(dc, item.rect);
        else if (index == 1)
            MCDrawLoweredRect(dc, item.rect);
    } else if (item.focus && (m_mode & HotTrack) && index == 0) {
        MCDrawFocusRect(dc, item.rect);
    }
}

void MCButton::paintEvent(QPaintEvent*)
{
    followScreenRatio();
    if (GetStateCount() == 0)
        return;
    MCDrawItem item;
    item.rect = rect();
    item.disabled = !isEnabled();
    item.selected = isDown();
    item.focus = hasFocus();
    item.devicePixelRatio = devicePixelRatioF();
    item.itemState = m_shownState = CurrentShownState();
    QPainter painter(this);
    DrawItem(painter, item);
}
