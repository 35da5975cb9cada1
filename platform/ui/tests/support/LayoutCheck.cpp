#include "platform/ui/tests/support/LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFocusFrame>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QRubberBand>
#include <QStyle>
#include <QStyleOption>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace plat::ui::test {

namespace {

// Room a window manager's title bar takes besides the title, in heights of the title's font:
// the window's icon and its close, minimise and maximise buttons (each about one and a half
// heights wide), with their gaps.
constexpr int kTitleBarButtons = 7;
// At most this many rows of an item view are measured; the rest scroll into the same columns.
constexpr int kMaxRows = 64;

QString shownText(const QWidget* widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    return {};
}

// "QLabel 'A&rtist:' id 1004 at 10,40 60x18 in QDialog 'Edit CD Play List'".
std::string describe(const QWidget* widget)
{
    QString text = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty())
        text += QStringLiteral(" \"%1\"").arg(widget->objectName());
    const QString shown = shownText(widget).simplified();
    if (!shown.isEmpty())
        text += QStringLiteral(" '%1'").arg(shown.left(60));
    for (const char* property : {"plat.itemId", "itemId"}) {
        const QVariant id = widget->property(property);
        if (id.isValid() && id.toInt() != 0)
            text += QStringLiteral(" id %1").arg(id.toInt());
    }
    const QRect r = widget->geometry();
    text += QStringLiteral(" at %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    return text.toStdString();
}

std::string size(int width, int height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

bool isPlainText(const QLabel* label)
{
    return label->textFormat() == Qt::PlainText ||
           (label->textFormat() == Qt::AutoText && !Qt::mightBeRichText(label->text()));
}

// Whether text has a mnemonic marker: an ampersand before a character other than a space.
bool hasMnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'&' && !text[i + 1].isSpace())
            return true;
    }
    return false;
}

class Walker {
public:
    explicit Walker(std::vector<std::string>& faults) : m_faults(faults) {}

    void window(QWidget& window)
    {
        title(window);
        children(window);
    }

private:
    void fault(const QWidget* widget, const std::string& what) { m_faults.push_back(describe(widget) + ": " + what); }

    // The window manager writes the title across the frame, beside the frame's buttons.
    void title(QWidget& window)
    {
        const QString text = window.windowTitle().remove(QStringLiteral("[*]"));
        if (text.isEmpty() || (window.windowFlags() & Qt::FramelessWindowHint))
            return;
        QFont font = window.font();
        font.setBold(true);
        const QFontMetrics metrics(font);
        const int needed = metrics.horizontalAdvance(text) + kTitleBarButtons * metrics.height();
        if (window.width() < needed)
            fault(&window, "the title '" + text.toStdString() + "' needs a window " + std::to_string(needed) +
                               " wide, the window is " + std::to_string(window.width()));
    }

    // The title bar the MDI area draws for a document window.
    void subWindowTitle(QMdiSubWindow& sub)
    {
        if (sub.isMaximized() || sub.windowTitle().isEmpty() || (sub.windowFlags() & Qt::FramelessWindowHint))
            return;
        QStyleOptionTitleBar option;
        option.initFrom(&sub);
        option.text = sub.windowTitle().remove(QStringLiteral("[*]"));
        option.titleBarFlags = sub.windowFlags();
        option.titleBarState = sub.windowState();
        option.subControls = QStyle::SC_All;
        option.rect = QRect(0, 0, sub.width(), sub.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, &sub));
        const QRect label = sub.style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, &sub);
        QFont font = sub.font();
        font.setBold(true);
        const int needed = QFontMetrics(font).horizontalAdvance(option.text);
        if (label.width() < needed)
            fault(&sub, "the title '" + option.text.toStdString() + "' needs " + std::to_string(needed) +
                            " pixels, its title bar leaves " + std::to_string(label.width()));
    }

    void children(QWidget& parent)
    {
        std::vector<QWidget*> shown;
        for (QWidget* child : parent.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isWindow() || !child->isVisible())
                continue;
            shown.push_back(child);
        }
        const bool scrolled = isScrolledContents(parent);
        for (QWidget* child : shown) {
            if (!scrolled && !parent.rect().contains(child->geometry()))
                fault(child, "lies outside its parent " + std::string(parent.metaObject()->className()) + " (" +
                                 size(parent.width(), parent.height()) + ")");
            control(*child);
        }
        for (size_t i = 0; i < shown.size(); ++i) {
            for (size_t j = i + 1; j < shown.size(); ++j) {
                if (mayOverlap(*shown[i], *shown[j]))
                    continue;
                const QRect common = shown[i]->geometry() & shown[j]->geometry();
                if (!common.isEmpty())
                    fault(shown[i], "overlaps " + describe(shown[j]));
            }
        }
        for (QWidget* child : shown)
            children(*child);
    }

    // The contents of a scroll area's viewport may be larger than the viewport: they scroll.
    static bool isScrolledContents(const QWidget& parent)
    {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(parent.parentWidget());
        return area && area->viewport() == &parent;
    }

    // Document windows are placed by the user; overlays lie over what they mark.
    static bool mayOverlap(const QWidget& a, const QWidget& b)
    {
        auto overlay = [](const QWidget& w) {
            return qobject_cast<const QRubberBand*>(&w) || qobject_cast<const QFocusFrame*>(&w);
        };
        if (overlay(a) || overlay(b))
            return true;
        return qobject_cast<const QMdiSubWindow*>(&a) && qobject_cast<const QMdiSubWindow*>(&b);
    }

    void control(QWidget& widget)
    {
        if (auto* label = qobject_cast<QLabel*>(&widget))
            this->label(*label);
        else if (auto* push = qobject_cast<QPushButton*>(&widget))
            pushButton(*push);
        else if (auto* check = qobject_cast<QCheckBox*>(&widget))
            indicatorButton(*check, QStyle::SE_CheckBoxContents);
        else if (auto* radio = qobject_cast<QRadioButton*>(&widget))
            indicatorButton(*radio, QStyle::SE_RadioButtonContents);
        else if (auto* tool = qobject_cast<QToolButton*>(&widget))
            toolButton(*tool);
        else if (auto* box = qobject_cast<QGroupBox*>(&widget))
            groupBox(*box);
        else if (auto* header = qobject_cast<QHeaderView*>(&widget))
            headerView(*header);
        else if (auto* sub = qobject_cast<QMdiSubWindow*>(&widget))
            subWindowTitle(*sub);
        // The edit inside a spin box or combo box takes the room its box's style gives it.
        const bool insideBox = qobject_cast<QAbstractSpinBox*>(widget.parentWidget()) ||
                               qobject_cast<QComboBox*>(widget.parentWidget());
        if ((qobject_cast<QLineEdit*>(&widget) && !insideBox) || qobject_cast<QComboBox*>(&widget) ||
            qobject_cast<QAbstractSpinBox*>(&widget))
            editField(widget);
        if (auto* view = qobject_cast<QAbstractItemView*>(&widget))
            cells(*view);
    }

    void label(QLabel& label)
    {
        const QString text = label.text();
        if (text.isEmpty())
            return;
        if (isPlainText(&label) && !label.buddy() && hasMnemonic(text))
            fault(&label, "shows its '&' as it stands: the label has no buddy to take the mnemonic");
        // QLabel's own measure: its whole text on one line, or its longest word when it wraps.
        const QSize minimum = label.minimumSizeHint();
        const int height = label.wordWrap() ? label.heightForWidth(label.width()) : minimum.height();
        if (label.width() < minimum.width() || label.height() < height)
            fault(&label, "its text needs " + size(minimum.width(), height) + ", it has " +
                              size(label.width(), label.height()));
    }

    static QStyleOptionButton buttonOption(const QAbstractButton& button)
    {
        QStyleOptionButton option;
        option.initFrom(&button);
        option.text = button.text();
        option.icon = button.icon();
        option.iconSize = button.iconSize();
        if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
            if (push->isDefault())
                option.features |= QStyleOptionButton::DefaultButton;
            if (push->autoDefault())
                option.features |= QStyleOptionButton::AutoDefaultButton;
            if (push->isFlat())
                option.features |= QStyleOptionButton::Flat;
            if (push->menu())
                option.features |= QStyleOptionButton::HasMenu;
        }
        return option;
    }

    // The width text and icon take on a button face, as the style lays them out.
    static int faceWidth(const QAbstractButton& button)
    {
        int width = button.fontMetrics().size(Qt::TextShowMnemonic, button.text()).width();
        if (!button.icon().isNull())
            width += button.iconSize().width() + 4;
        return width;
    }

    void pushButton(QPushButton& button)
    {
        if (button.text().isEmpty())
            return;
        const QStyleOptionButton option = buttonOption(button);
        QRect room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
        if (button.menu())
            room.setWidth(room.width() - button.style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button));
        const int width = faceWidth(button);
        const int height = button.fontMetrics().height();
        if (room.width() < width || room.height() < height)
            fault(&button, "its text needs " + size(width, height) + " inside its frame, it has " +
                               size(room.width(), room.height()));
    }

    void indicatorButton(QAbstractButton& button, QStyle::SubElement contents)
    {
        if (button.text().isEmpty())
            return;
        const QStyleOptionButton option = buttonOption(button);
        const QRect room = button.style()->subElementRect(contents, &option, &button) & button.rect();
        const int width = faceWidth(button);
        const int height = button.fontMetrics().height();
        if (room.width() < width || room.height() < height)
            fault(&button, "its text needs " + size(width, height) + " beside its indicator, it has " +
                               size(room.width(), room.height()));
    }

    void toolButton(QToolButton& button)
    {
        if (button.text().isEmpty() || button.toolButtonStyle() == Qt::ToolButtonIconOnly ||
            (button.toolButtonStyle() == Qt::ToolButtonFollowStyle && !button.icon().isNull()))
            return;
        const QSize needed = button.sizeHint();
        if (button.width() < needed.width() || button.height() < needed.height())
            fault(&button, "its text needs " + size(needed.width(), needed.height()) + ", it has " +
                               size(button.width(), button.height()));
    }

    void groupBox(QGroupBox& box)
    {
        if (box.title().isEmpty())
            return;
        QStyleOptionGroupBox option;
        option.initFrom(&box);
        option.text = box.title();
        option.lineWidth = 1;
        option.midLineWidth = 0;
        option.textAlignment = box.alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        if (box.isCheckable())
            option.subControls |= QStyle::SC_GroupBoxCheckBox;
        if (box.isFlat())
            option.features |= QStyleOptionFrame::Flat;
        const QRect title = box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
        const int width = box.fontMetrics().size(Qt::TextShowMnemonic, box.title()).width();
        if (!box.rect().contains(title) || title.width() < width)
            fault(&box, "its title needs " + std::to_string(width) + " pixels within the box, the box is " +
                            size(box.width(), box.height()));
    }

    void headerView(QHeaderView& header)
    {
        if (!header.model() || header.orientation() != Qt::Horizontal)
            return;
        for (int visual = 0; visual < header.count(); ++visual) {
            const int logical = header.logicalIndex(visual);
            if (header.isSectionHidden(logical))
                continue;
            const std::string name = "column " + std::to_string(logical) + " '" +
                                     header.model()->headerData(logical, Qt::Horizontal).toString().toStdString() + "'";
            const int needed = header.sectionSizeHint(logical);
            const int has = header.sectionSize(logical);
            if (has < needed)
                fault(&header, name + " needs " + std::to_string(needed) + " pixels for its header, it has " +
                                   std::to_string(has));
            // A column the view's edge cuts, or leaves out, shows only when the user scrolls.
            const int end = header.sectionViewportPosition(logical) + has;
            if (end > header.viewport()->width())
                fault(&header, name + " ends at " + std::to_string(end) + ", beyond the view's edge at " +
                                   std::to_string(header.viewport()->width()));
        }
    }

    // Columns after the first hold values of a known width (sizes, types, dates, numbers):
    // each shown cell fits its column. The first column holds names, which may be elided.
    void cells(QAbstractItemView& view)
    {
        QAbstractItemModel* model = view.model();
        if (!model || model->columnCount(view.rootIndex()) < 2)
            return;
        QHeaderView* header = nullptr;
        if (auto* tree = qobject_cast<QTreeView*>(&view))
            header = tree->header();
        const QRect shown = view.viewport()->rect();
        const int rows = std::min(model->rowCount(view.rootIndex()), kMaxRows);
        for (int column = 1; column < model->columnCount(view.rootIndex()); ++column) {
            if (header && header->isSectionHidden(column))
                continue;
            for (int row = 0; row < rows; ++row) {
                const QModelIndex index = model->index(row, column, view.rootIndex());
                const QRect cell = view.visualRect(index);
                if (cell.isEmpty() || !shown.intersects(cell) || model->data(index).toString().isEmpty())
                    continue;
                const int needed = view.sizeHintForIndex(index).width();
                if (cell.width() < needed) {
                    fault(&view, "the cell '" + model->data(index).toString().toStdString() + "' of column " +
                                     std::to_string(column) + " needs " + std::to_string(needed) +
                                     " pixels, the column has " + std::to_string(cell.width()));
                    break;
                }
            }
        }
    }

    // An edit field shows a whole line of its font.
    void editField(QWidget& field)
    {
        const int needed = field.minimumSizeHint().height();
        if (field.height() < needed)
            fault(&field, "needs " + std::to_string(needed) + " pixels of height for its text, it has " +
                              std::to_string(field.height()));
    }

    std::vector<std::string>& m_faults;
};

bool differs(QRgb a, QRgb b)
{
    constexpr int kTolerance = 48;
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > kTolerance;
}

}  // namespace

std::vector<std::string> LayoutCheck::faults(QWidget& widget)
{
    QWidget& window = *widget.window();
    const bool wasHidden = !window.isVisible();
    if (wasHidden)
        window.show();
    // Layouts settle through posted requests; nothing else that is posted is delivered here.
    for (int pass = 0; pass < 4; ++pass)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    std::vector<std::string> found;
    Walker(found).window(window);
    if (wasHidden)
        window.hide();
    return found;
}

testing::AssertionResult LayoutCheck::fits(QWidget& widget)
{
    const std::vector<std::string> found = faults(widget);
    if (found.empty())
        return testing::AssertionSuccess();
    testing::AssertionResult result = testing::AssertionFailure();
    result << "the layout of " << widget.window()->metaObject()->className() << " '"
           << widget.window()->windowTitle().toStdString() << "' ("
           << size(widget.window()->width(), widget.window()->height()) << ") has " << found.size() << " fault"
           << (found.size() == 1 ? "" : "s") << ":";
    for (const std::string& line : found)
        result << "\n  " << line;
    return result;
}

int LayoutCheck::inkIn(const QImage& image, const QRect& area, QRgb background)
{
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels = QRect(QPoint(int(area.left() * ratio), int(area.top() * ratio)),
                               QSize(int(std::lround(area.width() * ratio)), int(std::lround(area.height() * ratio))))
                             .intersected(image.rect());
    int ink = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            if (differs(image.pixel(x, y), background))
                ++ink;
        }
    }
    return ink;
}

QRect LayoutCheck::inkBounds(const QImage& image, const QRect& area, QRgb background)
{
    const qreal ratio = image.devicePixelRatio();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QPoint pixel(int(x * ratio), int(y * ratio));
            if (image.rect().contains(pixel) && differs(image.pixel(pixel), background))
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

}  // namespace plat::ui::test
