#include "app/core/CTemplateListCtrl.h"

#include "interface/core/MCPaths.h"
#include "interface/document/DocumentStrings.h"
#include "platform/core/Paths.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ChoiceKeeper.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// A page of music: a sheet with a folded corner, five staff lines and a note.
QIcon TemplateIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygon({QPoint(2, 0), QPoint(10, 0), QPoint(13, 3), QPoint(13, 15), QPoint(2, 15)}));
    painter.drawLine(10, 0, 10, 3);
    painter.drawLine(10, 3, 13, 3);
    painter.setPen(QColor(40, 70, 150));
    for (int y = 5; y <= 13; y += 2)
        painter.drawLine(4, y, 11, y);
    painter.setBrush(QColor(20, 20, 20));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRect(5, 10, 3, 3));
    return QIcon(pixmap);
}

}  // namespace

CTemplateListCtrl::CTemplateListCtrl(QWidget* parent) : QListWidget(parent)
{
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    plat::ui::ChoiceKeeper::keep(*this);
    setSortingEnabled(true);
    setIconSize(QSize(16, 16));
}

void CTemplateListCtrl::FillTemplates()
{
    if (m_folder.empty())
        m_folder = MCGetAppPath("Templates");
    clear();
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(m_folder, error), end; !error && it != end; it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (!plat::paths::matches(file, "*.KVT"))
            continue;
        names.push_back(file);
    }
    if (names.empty()) {
        plat::UserPrompt::ask({DocumentStrings::applicationName(), "No music templates were found!\n",
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
        return;
    }
    const QIcon icon = TemplateIcon();
    for (const std::string& file : names) {
        if (file.front() == '~')
            continue;
        const std::string title = file.substr(0, file.rfind('.'));
        addItem(new QListWidgetItem(icon, QString::fromStdString(title)));
    }
    sortItems(Qt::AscendingOrder);
}

int CTemplateListCtrl::GetSelectedTemplate(std::string& name) const
{
    name.clear();
    const QList<QListWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return 0;
    name = selected.front()->text().toStdString();
    return 1;
}

int CTemplateListCtrl::SelectTemplate(const std::string& name)
{
    const QString text = QString::fromStdString(name);
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        if (entry->text() != text)
            continue;
        setCurrentItem(entry);
        entry->setSelected(true);
        scrollToItem(entry);
        return 1;
    }
    return 0;
}
