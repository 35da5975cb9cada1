#include "app/frame/CClientWnd.h"

#include "interface/core/MCBitmap.h"
#include "interface/core/MCPalette.h"
#include "interface/core/MCResourceModule.h"
#include "interface/document/DocumentStrings.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <cmath>

namespace {
constexpr const char* kSection = "Settings\\Background";
}

CClientWnd::CClientWnd(QWidget* parent) : QMdiArea(parent)
{
    setObjectName("MdiClient");
}

CClientWnd::~CClientWnd() = default;

void CClientWnd::LoadBackground()
{
    LoadPicture();
    viewport()->repaint();
}

void CClientWnd::LoadPicture()
{
    m_bitmap.reset();
    m_imageId = LoadIntPreference(kSection, "Image", 0x6000);
    if (m_imageId >= 0) {
        const std::string module = LoadStringPreference(kSection, "Module", "Backdrape");
        if (SetResourceModule(module.c_str())) {
            auto bitmap = std::make_unique<MCBitmap>();
            const int scale = std::max(1, static_cast<int>(std::ceil(devicePixelRatioF())));
            if (bitmap->Create(static_cast<uint32_t>(m_imageId & 0xFFFF), scale)) {
                if (MCPalette::GetSharedPalette()) {
                    bitmap->SetPalette(MCPalette::GetSharedPalette());
                    bitmap->SetAutoDelete(0);
                    bitmap->MapColorsToPalette();
                }
                m_bitmap = std::move(bitmap);
            }
            ResetResourceModule();
        }
    }
    // The brush tiles from the area's origin, so exposed parts line up with the same grid.
    if (m_bitmap && !m_bitmap->IsEmpty())
        setBackground(QBrush(QPixmap::fromImage(m_bitmap->ToImage())));
    else
        setBackground(palette().brush(QPalette::Dark));
}

void CClientWnd::paintEvent(QPaintEvent* event)
{
    if (!IsLoaded()) {
        m_flags |= 1;
        LoadPicture();
    }
    QMdiArea::paintEvent(event);
}

QMenu* CClientWnd::ToolsMenu() const
{
    auto* main = qobject_cast<QMainWindow*>(window());
    if (!main)
        return nullptr;
    const QString tools = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuTools));
    for (QAction* action : main->menuBar()->actions()) {
        if (action->text() == tools)
            return action->menu();
    }
    return nullptr;
}

void CClientWnd::contextMenuEvent(QContextMenuEvent* event)
{
    if (QMenu* tools = ToolsMenu())
        plat::ui::ModalHooks::popupMenu(*tools, event->globalPos());
    event->accept();
}
