#include "interface/controls/MCCheckList.h"

#include "interface/core/InterfaceModule.h"

#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/image/ImageStrip.h"
#include "platform/ui/image/KeyColorMap.h"
#include "platform/ui/resource/ImageResources.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>

#include <cmath>

namespace {

constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kImageWidth = 13;

}  // namespace

MCCheckList::MCCheckList(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setColumnCount(1);
    setUniformRowHeights(true);
}

bool MCCheckList::Create(QWidget* parent, int id, int checkBoxes)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    InitWindow(checkBoxes);
    return true;
}

bool MCCheckList::SubclassCheckList(int id, QWidget* parent, int checkBoxes)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    InitWindow(checkBoxes);
    return true;
}

void MCCheckList::InitWindow(int checkBoxes)
{
    setHeaderLabels({"Items"});
    header()->setDefaultAlignment(Qt::AlignLeft);
    const int border = frameWidth();
    setColumnWidth(0, std::max(0, width() - verticalScrollBar()->sizeHint().width() - 2 * border));
    m_boxes = checkBoxes != 0;
    if (m_boxes) {
        if (m_unchecked.isNull())
            loadImages();
        setIconSize(QSize(kImageWidth, kImageWidth));
        // The selection shows even while another control has the focus.
        QPalette colours = palette();
        colours.setColor(QPalette::Inactive, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
        colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         colours.color(QPalette::Active, QPalette::HighlightedText));
        setPalette(colours);
    }
}

void MCCheckList::loadImages()
{
    // The library's boxes, with red as the transparent colour, at 1x and 2x.
    const plat::Resources::ModuleSwitch own(InterfaceModule::kName);
    plat::ui::KeyColorMap mask;
    mask.setTransparent(0x0000FF);
    m_unchecked = QIcon();
    m_checked = QIcon();
    for (const int scale : {1, 2}) {
        const std::optional<QImage> strip = plat::ui::ImageResources::find(11600, scale);
        if (!strip)
            continue;
        QImage boxes = mask.apply(*strip);
        boxes.setDevicePixelRatio(scale);
        const plat::ui::ImageStrip frames(boxes, 2);
        m_unchecked.addPixmap(QPixmap::fromImage(frames.frame(0)));
        m_checked.addPixmap(QPixmap::fromImage(frames.frame(1)));
    }
}

void MCCheckList::applyImage(QTreeWidgetItem* item)
{
    const int state = item->data(0, kStateRole).toInt();
    if (state == kNoBox && m_boxes) {
        // A row without a box keeps the box's room, so its text lines up with the others.
        QPixmap blank(m_unchecked.availableSizes().value(0, QSize(16, 16)));
        blank.fill(Qt::transparent);
        item->setIcon(0, QIcon(blank));
        return;
    }
    item->setIcon(0, state == kChecked ? m_checked : state == kUnchecked ? m_unchecked : QIcon());
}

int MCCheckList::InsertItem(int row, const QString& text)
{
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
    item->setData(0, kStateRole, m_boxes ? kUnchecked : kNoBox);
    if (row < 0 || row > topLevelItemCount())
        row = topLevelItemCount();
    insertTopLevelItem(row, item);
    applyImage(item);
    return row;
}

int MCCheckList::GetStateImage(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kStateRole).toInt() : kNoBox;
}

void MCCheckList::SetStateImage(int row, int state)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    item->setData(0, kStateRole, state);
    applyImage(item);
}

bool MCCheckList::GetCheck(int row) const
{
    return GetStateImage(row) == kChecked;
}

void MCCheckList::SetCheck(int row, bool checked)
{
    if (!topLevelItem(row))
        return;
    SetStateImage(row, checked ? kChecked : kUnchecked);
    if (m_onChange)
        m_onChange(row);
}

void MCCheckList::ToggleCheck(int row)
{
    SetCheck(row, !GetCheck(row));
}

void MCCheckList::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (QTreeWidgetItem* item = itemAt(at)) {
        // On the box or on the label, not in the empty part of the row.
        const QRect row = visualItemRect(item);
        const int labelEnd = row.left() + iconSize().width() + 8 + fontMetrics().horizontalAdvance(item->text(0));
        if (at.x() <= labelEnd)
            ToggleCheck(indexOfTopLevelItem(item));
    }
    QTreeWidget::mousePressEvent(event);
}

void MCCheckList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        for (int row = 0; row < topLevelItemCount(); ++row) {
            if (topLevelItem(row)->isSelected()) {
                ToggleCheck(row);
                event->accept();
                return;
            }
        }
    }
    QTreeWidget::keyPressEvent(event);
}
