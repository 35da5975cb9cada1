#include "inspector/pages/CPatchListCtrl.h"

#include "interface/core/MCResourceModule.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/EventTypes.h"
#include "platform/ui/dialog/ItemId.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>

namespace {

constexpr int kPointRole = Qt::UserRole + 1;
constexpr int kTimeColumnWidth = 80;

}  // namespace

CPatchListCtrl::CPatchListCtrl(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(2);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setColumnWidth(0, kTimeColumnWidth);
}

bool CPatchListCtrl::SubclassPatchList(int id, QWidget* parent)
{
    return plat::ui::attachToItem(parent, id, this);
}

void CPatchListCtrl::DeleteAllItems()
{
    clear();
    m_points.RemoveAll();
    setColumnWidth(0, kTimeColumnWidth);
}

void CPatchListCtrl::AddPoint(ECEnvPoint* point, const QString& time, const QString& name)
{
    if (!point)
        return;
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (GetPoint(row) == point)
            return;
    m_points.AddTail(point);
    auto* item = new QTreeWidgetItem(QStringList{time, name});
    item->setIcon(0, MCGetEventIcon(EventId::ProgramChange));
    item->setData(0, kPointRole, QVariant::fromValue(static_cast<void*>(point)));
    addTopLevelItem(item);
    // The time column is at least wide enough for its times.
    resizeColumnToContents(0);
    setColumnWidth(0, std::max(columnWidth(0), kTimeColumnWidth));
    fitNameColumn();
}

ECEnvPoint* CPatchListCtrl::GetPoint(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? static_cast<ECEnvPoint*>(item->data(0, kPointRole).value<void*>()) : nullptr;
}

std::vector<ECEnvPoint*> CPatchListCtrl::GetSelectedPoints() const
{
    std::vector<ECEnvPoint*> points;
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (topLevelItem(row)->isSelected())
            points.push_back(GetPoint(row));
    return points;
}

void CPatchListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    fitNameColumn();
}

void CPatchListCtrl::fitNameColumn()
{
    // The name takes the rest of the width, less a vertical scroll bar's.
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setColumnWidth(1, std::max(0, viewport()->width() + (verticalScrollBar()->isVisible() ? scrollBar : 0) -
                                      columnWidth(0) - scrollBar));
}
