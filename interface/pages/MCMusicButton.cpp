#include "interface/pages/MCMusicButton.h"

#include "interface/core/MCBitmap.h"
#include "notabase/model/ECBase.h"
#include "platform/core/Archive.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"

#include <QPainter>
#include <QPalette>

PLAT_IMPLEMENT_SERIAL(MCMusicButton, plat::Object, 1 | plat::kVersionableSchema)

namespace {

MCDrawItemFunc& symbolDrawItemFunc()
{
    static MCDrawItemFunc function = nullptr;
    return function;
}

}  // namespace

MCMusicButton::MCMusicButton(QWidget* parent) : MCButton(parent)
{
    SetButtonMode(HotTrack | NotifyOnPress);
    SetButtonStyle(Toggle);
    SetTransparentColor(kTransparentRed);
    SetDisabledState(2);
}

MCMusicButton::~MCMusicButton()
{
    SetEvent(nullptr, 0);
}

void MCMusicButton::SetSymbolDrawItemFunc(MCDrawItemFunc function)
{
    symbolDrawItemFunc() = function;
}

MCDrawItemFunc MCMusicButton::GetSymbolDrawItemFunc()
{
    return symbolDrawItemFunc();
}

bool MCMusicButton::SubclassMusicButton(int id, QWidget* parent, ECBase* event)
{
    if (!plat::ui::itemWidget(parent, id) || !plat::ui::attachToItem(parent, id, this))
        return false;
    InitWindow();
    SetEvent(event, -1);
    return true;
}

void MCMusicButton::SetEvent(ECBase* event, int code)
{
    // The new element is held before the old one is let go, so handing the button the element
    // it already holds never frees it.
    if (event)
        event->Ref();
    if (m_pEvent)
        m_pEvent->Unref();
    m_pEvent = event;
    m_nEventCode = event ? code : 0;
}

void MCMusicButton::InitWindow()
{
    for (int i = 0; i < 3; ++i)
        AddBitmap(nullptr, -1);
}

bool MCMusicButton::AutoLoad(int id, QWidget* parent)
{
    if (!plat::ui::itemWidget(parent, id) || !plat::ui::attachToItem(parent, id, this))
        return false;
    InitWindow();
    if (LoadBitmaps(uint32_t(id)))
        return true;
    plat::UserPrompt::Message message;
    message.text = plat::format("Failed to load music button images (%d)", id);
    message.icon = plat::UserPrompt::Icon::error;
    plat::UserPrompt::ask(message);
    return false;
}

bool MCMusicButton::LoadBitmaps(uint32_t id)
{
    DeleteBitmaps(true);
    const int scale = LoadScale();
    for (int state = 0; state < 2; ++state) {
        auto bitmap = std::make_unique<MCBitmap>();
        if (!bitmap->Create(id, scale))
            return false;
        AddBitmap(std::move(bitmap), -1);
    }
    SizeToContent();
    return true;
}

std::optional<QImage> MCMusicButton::CreateImage(const MCDrawItem& item)
{
    std::optional<QImage> image;
    if (MCDrawItemFunc draw = GetSymbolDrawItemFunc())
        image = draw(this, item);
    if (!image)
        image = MCButton::CreateImage(item);
    if (!image)
        return std::nullopt;
    // Pressed, and neither focused nor disabled: sunk by a bevel, shadow on the left and top.
    if (item.selected && !item.focus && !item.disabled) {
        QPainter painter(&*image);
        const QRectF r(QPointF(0, 0), image->deviceIndependentSize());
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        for (int i = 0; i < kBevel; ++i) {
            const qreal l = r.left() + i + 0.5, t = r.top() + i + 0.5;
            const qreal rr = r.right() - i - 0.5, b = r.bottom() - i - 0.5;
            painter.setPen(shadow);
            painter.drawLine(QPointF(l, b), QPointF(l, t));
            painter.drawLine(QPointF(l, t), QPointF(rr, t));
            painter.setPen(light);
            painter.drawLine(QPointF(rr, t), QPointF(rr, b));
            painter.drawLine(QPointF(rr, b), QPointF(l, b));
        }
    }
    return image;
}

void MCMusicButton::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        const QRect place = geometry();
        for (const int v : {place.x(), place.y(), place.width(), place.height(), isVisibleTo(parentWidget()) ? 1 : 0})
            archive.writeI32(v);
        for (const int v : {m_state, m_shownState, m_nextState, m_disabledState, m_mode, m_style, int(GetTransparentColor())})
            archive.writeI32(v);
        archive.writeI32(m_nEventCode);
        // The element goes with its class, so a button loads it whether or not it held one.
        archive.writeObject(m_pEvent);
        return;
    }
    int place[5];
    for (int& v : place)
        v = archive.readI32();
    setGeometry(place[0], place[1], std::max(place[2], 0), std::max(place[3], 0));
    setVisible(place[4] != 0);
    m_state = archive.readI32();
    m_shownState = archive.readI32();
    m_nextState = archive.readI32();
    m_disabledState = archive.readI32();
    m_mode = archive.readI32();
    m_style = archive.readI32();
    SetTransparentColor(plat::ui::ColorRef(archive.readI32()));
    const int code = archive.readI32();
    SetEvent(archive.readObjectAs<ECBase>(), code);
}
