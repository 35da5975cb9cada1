#include "platform/ui/dialog/FileDialogLayout.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLayout>
#include <QLocale>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>

#include <algorithm>
#include <initializer_list>

namespace plat::ui {

namespace {

enum Column { kSize = 1, kType = 2, kDate = 3 };

// The widest texts each column shows in the locale the file model writes them in.
QStringList samples(int column)
{
    const QLocale locale = QLocale::system();
    switch (column) {
    case kSize:
        return {locale.formattedDataSize(1023), locale.formattedDataSize(1023 * 1024 + 1013),
                locale.formattedDataSize(qint64(1023) * 1024 * 1024 + 1013 * 1024)};
    case kType:
        return {QStringLiteral("Folder"), QStringLiteral("MIDI audio"), QStringLiteral("plain text document")};
    default:
        return {locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat),
                locale.toString(QDateTime(QDate(2000, 12, 28), QTime(11, 58, 58)), QLocale::ShortFormat)};
    }
}

void widen(QHeaderView& header, int column, int width)
{
    if (column < header.count() && header.sectionSize(column) < width)
        header.resizeSection(column, width);
}

// Each column as wide as its header and its widest sample with the margins of a cell.
void fitSamples(QTreeView& view)
{
    QHeaderView& header = *view.header();
    const QFontMetrics metrics(view.font());
    const int margins = 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1) +
                        metrics.averageCharWidth();
    for (const int column : {kSize, kType, kDate}) {
        int width = header.sectionSizeHint(column);
        for (const QString& text : samples(column))
            width = std::max(width, metrics.horizontalAdvance(text) + margins);
        widen(header, column, width);
    }
}

// The name column takes what the other columns leave of the view, so that none of them lies
// beyond the view's edge; it keeps room for two dozen characters or so, the dialog growing for it.
void fitName(QFileDialog& dialog, QTreeView& view)
{
    QHeaderView& header = *view.header();
    int others = 0;
    for (const int column : {kSize, kType, kDate}) {
        if (column < header.count() && !header.isSectionHidden(column))
            others += header.sectionSize(column);
    }
    const int least = QFontMetrics(view.font()).averageCharWidth() * 24 + view.iconSize().width();
    const int shortfall = least + others - view.viewport()->width();
    if (shortfall > 0 && dialog.isVisible()) {
        const QScreen* screen = dialog.screen();
        const int room = screen ? screen->availableGeometry().width() : dialog.width() + shortfall;
        dialog.resize(std::min(dialog.width() + shortfall, room), dialog.height());
        if (QLayout* layout = dialog.layout())
            layout->activate();
    }
    header.resizeSection(0, std::max(least, view.viewport()->width() - others));
}

// The places beside the view show their names whole.
void fitSidebar(QFileDialog& dialog)
{
    auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    auto* sidebar = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
    if (!splitter || !sidebar || splitter->count() != 2 || splitter->widget(0) != sidebar || !sidebar->model())
        return;
    const int needed = sidebar->sizeHintForColumn(0) + 2 * sidebar->frameWidth() +
                       sidebar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sidebar);
    QList<int> sizes = splitter->sizes();
    if (sizes.size() != 2 || sizes[0] >= needed)
        return;
    const int total = sizes[0] + sizes[1];
    sizes[0] = std::min(needed, total / 2);
    sizes[1] = total - sizes[0];
    splitter->setSizes(sizes);
}

// Each column as wide as what the folder shows in it.
void fitContents(QFileDialog& dialog, QTreeView& view)
{
    QAbstractItemView& items = view;
    for (const int column : {kSize, kType, kDate})
        widen(*view.header(), column, std::max(items.sizeHintForColumn(column), view.header()->sectionSizeHint(column)));
    fitName(dialog, view);
}

// Lays the dialog out once it has made its widgets (a dialog makes them when it is first
// shown, unless the platform's own dialog takes its place), and again when it is shown anew.
class LayoutKeeper : public QObject {
public:
    static constexpr const char* kName = "plat_file_dialog_layout";

    explicit LayoutKeeper(QFileDialog& dialog) : QObject(&dialog), m_dialog(dialog)
    {
        setObjectName(QLatin1String(kName));
        dialog.installEventFilter(this);
        fitNow();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Show)
            fitNow();
        return false;
    }

private:
    void fitNow()
    {
        auto* view = m_dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        if (!view || !view->header())
            return;
        m_dialog.setSizeGripEnabled(false);
        fitSidebar(m_dialog);
        fitSamples(*view);
        fitName(m_dialog, *view);
        auto* model = m_dialog.findChild<QFileSystemModel*>();
        if (model && !m_watching) {
            QFileDialog* dialog = &m_dialog;
            connect(model, &QFileSystemModel::directoryLoaded, view, [dialog, view] {
                fitSidebar(*dialog);
                fitContents(*dialog, *view);
            });
            m_watching = true;
        }
    }

    QFileDialog& m_dialog;
    bool m_watching = false;
};

}  // namespace

void FileDialogLayout::fit(QFileDialog& dialog)
{
    // The dialog owns what keeps its layout, once.
    if (!dialog.findChild<QObject*>(QLatin1String(LayoutKeeper::kName), Qt::FindDirectChildrenOnly))
        new LayoutKeeper(dialog);
}

}  // namespace plat::ui
