#include "interface/pickers/MCTrackList.h"

#include "interface/pickers/MCTrackSource.h"

MCTrackList::MCTrackList(QWidget* parent) : QListWidget(parent)
{
}

void MCTrackList::SetDocument(MCOpusDoc* doc, bool refresh)
{
    m_doc = doc;
    if (refresh)
        RefreshTracks();
}

void MCTrackList::RefreshTracks()
{
    clear();
    for (const MCTrackSource::Track& track : MCTrackSource::List(m_doc)) {
        auto* row = new QListWidgetItem(QString::fromStdString(track.name), this);
        row->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(track.staff)));
    }
}

ECBase* MCTrackList::GetTrack(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? reinterpret_cast<ECBase*>(entry->data(Qt::UserRole).value<quintptr>()) : nullptr;
}
