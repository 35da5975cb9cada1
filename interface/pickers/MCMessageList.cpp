#include "interface/pickers/MCMessageList.h"

#include "interface/core/MCResourceModule.h"

#include "notabase/model/MCEventList.h"

#include <algorithm>

MCMessageList::MCMessageList(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
}

void MCMessageList::SetDocument(MCOpusDoc* doc, bool refresh)
{
    m_doc = doc;
    if (refresh)
        RefreshMessages();
}

void MCMessageList::SetIconType(int elementType)
{
    if (m_icon.isNull())
        m_icon = MCGetEventIcon(elementType);
}

void MCMessageList::SetFixedColumnsWidth(int width)
{
    m_fixedWidth = width;
    setColumnWidth(0, std::max(80, viewport()->width() - m_fixedWidth));
}

void MCMessageList::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    setColumnWidth(0, std::max(80, viewport()->width() - m_fixedWidth));
}

QTreeWidgetItem* MCMessageList::AddRow(ECBase* element, const QStringList& cells)
{
    auto* row = new QTreeWidgetItem(cells);
    row->setIcon(0, m_icon);
    row->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(element)));
    for (int column = 0; column < columnCount(); ++column)
        row->setTextAlignment(column, Qt::Alignment(QFlag(headerItem()->textAlignment(column))));
    addTopLevelItem(row);
    return row;
}

ECBase* MCMessageList::GetEvent(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? reinterpret_cast<ECBase*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

int MCMessageList::FindEvent(const ECBase* element) const
{
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (GetEvent(row) == element)
            return row;
    }
    return -1;
}

int MCMessageList::SelectEvent(const ECBase* element)
{
    const int row = FindEvent(element);
    if (row >= 0) {
        setCurrentItem(topLevelItem(row));
        setFocus();
    }
    return row;
}

int MCMessageList::GetSelectedEvents(MCEventList& list) const
{
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected())
            list.AddTail(GetEvent(row));
    }
    return list.GetCount();
}

int MCMessageList::GetEvents(MCEventList& list) const
{
    for (int row = 0; row < topLevelItemCount(); ++row)
        list.AddTail(GetEvent(row));
    return list.GetCount();
}

bool MCMessageList::GetMessages(MCEventList& list) const
{
    list.RemoveAll();
    return GetEvents(list) > 0;
}
