#include "app/frame/CToolPlaceholderWnd.h"

#include <QLabel>
#include <QVBoxLayout>

CToolPlaceholderWnd::CToolPlaceholderWnd(const QString& title, Qt::DockWidgetAreas docking, QWidget* frame)
    : MCToolWnd(frame)
{
    m_sizeDefault = QSize(160, 120);
    InitToolLayout(frame, 0);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(Body());
    auto* label = new QLabel(tr("%1\n(not part of this build yet)").arg(title), Body());
    label->setAlignment(Qt::AlignCenter);
    label->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(label);
    EnableDocking(docking);
    for (const Qt::DockWidgetArea area : {Qt::BottomDockWidgetArea, Qt::TopDockWidgetArea, Qt::LeftDockWidgetArea,
                                          Qt::RightDockWidgetArea}) {
        if (DockControlBar(area))
            return;
    }
    FloatControlBar(OwnerCorner());
}
