#include "app/frame/CToolPlaceholderWnd.h"

#include <QLabel>

CToolPlaceholderWnd::CToolPlaceholderWnd(const QString& title, const QString& objectName, QWidget* parent)
    : QDockWidget(title, parent)
{
    setObjectName(objectName);
    auto* label = new QLabel(tr("%1\n(not part of this build yet)").arg(title), this);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumSize(160, 120);
    label->setFocusPolicy(Qt::StrongFocus);
    setWidget(label);
}
