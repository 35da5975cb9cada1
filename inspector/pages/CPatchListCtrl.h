#pragma once

#include "inspector/InspectorExport.h"

#include "notabase/model/MCEventList.h"

#include <QTreeWidget>

#include <vector>

class ECEnvPoint;
class MCOpusDoc;

// The time-ordered list of a voice's patch changes on the instrument page: the time of each
// and the instrument it selects, one row per change, one row selected at most.
class INSPECTOR_API CPatchListCtrl : public QTreeWidget {
public:
    explicit CPatchListCtrl(QWidget* parent = nullptr);

    // Takes the place of the item id of parent.
    bool SubclassPatchList(int id, QWidget* parent);
    void SetDocument(MCOpusDoc* document) { m_document = document; }
    MCOpusDoc* GetDocument() const { return m_document; }

    // Empties the list and lets go of its points.
    void DeleteAllItems();
    // Adds a row for the point unless it is listed already; the list keeps the point alive
    // while it is listed.
    void AddPoint(ECEnvPoint* point, const QString& time, const QString& name);
    ECEnvPoint* GetPoint(int row) const;
    // The points of the selected rows, in list order.
    std::vector<ECEnvPoint*> GetSelectedPoints() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitNameColumn();

    MCOpusDoc* m_document = nullptr;
    MCEventList m_points;
};
