#pragma once

#include "interface/InterfaceExport.h"

#include <QTreeWidget>

#include <functional>

// A one-column list whose rows carry a check box drawn as a state image: 1 unchecked,
// 2 checked, 0 no box. A click on a row's box or its label toggles it; the space bar toggles
// the first selected row.
class INTERFACE_API MCCheckList : public QTreeWidget {
public:
    static constexpr int kNoBox = 0, kUnchecked = 1, kChecked = 2;

    explicit MCCheckList(QWidget* parent = nullptr);

    // Makes the list in parent (or in the place of its item id) and sets it up.
    bool Create(QWidget* parent, int id, int checkBoxes);
    bool SubclassCheckList(int id, QWidget* parent, int checkBoxes);
    virtual void InitWindow(int checkBoxes);

    // A new row at row (-1 or past the end appends) with the box unchecked when the list has
    // boxes; answers its index.
    int InsertItem(int row, const QString& text);
    int GetItemCount() const { return topLevelItemCount(); }
    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);
    void ToggleCheck(int row);
    // The row's state image index.
    int GetStateImage(int row) const;
    void SetStateImage(int row, int state);

    void SetCheckChangedHandler(std::function<void(int row)> handler) { m_onChange = std::move(handler); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadImages();
    void applyImage(QTreeWidgetItem* item);

    bool m_boxes = false;
    QIcon m_unchecked;
    QIcon m_checked;
    std::function<void(int)> m_onChange;
};
