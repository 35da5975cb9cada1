#include "interface/pickers/MCTrackCheckList.h"

#include "interface/pickers/MCTrackSource.h"

#include "notabase/model/MCEventList.h"

MCTrackCheckList::MCTrackCheckList(QWidget* parent) : MCCheckList(parent)
{
    InitWindow(1);
}

void MCTrackCheckList::SetDocument(MCOpusDoc* doc, bool refresh)
{
    m_doc = doc;
    if (refresh)
        RefreshTracks();
}

void MCTrackCheckList::RefreshTracks()
{
    clear();
    for (const MCTrackSource::Track& track : MCTrackSource::List(m_doc)) {
        const int row = InsertItem(-1, QString::fromStdString(track.name));
        topLevelItem(row)->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(track.staff)));
    }
}

int MCTrackCheckList::GetSelectedTracks(MCEventList& list) const
{
    list.RemoveAll();
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (GetCheck(row))
            list.AddTail(reinterpret_cast<ECBase*>(topLevelItem(row)->data(0, Qt::UserRole).value<quintptr>()));
    }
    return list.GetCount();
}
