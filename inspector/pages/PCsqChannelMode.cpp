#include "inspector/pages/PCsqChannelMode.h"

#include <QLabel>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(PCsqChannelMode, MCInspectorPage)

PCsqChannelMode::PCsqChannelMode()
{
    setWindowTitle("&Performance");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("<< CHANNEL MODE >>", this), 0, Qt::AlignCenter);
}
