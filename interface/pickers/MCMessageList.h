#pragma once

#include "interface/InterfaceExport.h"

#include <QTreeWidget>

class ECBase;
class MCEventList;
class MCOpusDoc;

// What the channel-mode and system-exclusive lists share: a report-style list of one
// document's messages, one row per element (single selection), with its icon.
class INTERFACE_API MCMessageList : public QTreeWidget {
public:
    explicit MCMessageList(QWidget* parent = nullptr);

    virtual void Initialize() = 0;
    virtual void RefreshMessages() = 0;
    void SetDocument(MCOpusDoc* doc, bool refresh = true);
    MCOpusDoc* GetDocument() const { return m_doc; }

    // The row of element; -1 when it is not listed.
    int FindEvent(const ECBase* element) const;
    // Selects the row of element and gives the list the focus; its index or -1.
    int SelectEvent(const ECBase* element);
    int GetSelectedEvents(MCEventList& list) const;
    // Appends every row's element, top to bottom; the list's count.
    int GetEvents(MCEventList& list) const;
    // Empties list and appends every row's element; true when there is one.
    bool GetMessages(MCEventList& list) const;
    ECBase* GetEvent(int row) const;

protected:
    QTreeWidgetItem* AddRow(ECBase* element, const QStringList& cells);
    void SetIconType(int elementType);
    // The first column takes the width the others (fixed) leave.
    void SetFixedColumnsWidth(int width);
    void resizeEvent(QResizeEvent* event) override;

    MCOpusDoc* m_doc = nullptr;
    QIcon m_icon;
    int m_fixedWidth = 0;
};
