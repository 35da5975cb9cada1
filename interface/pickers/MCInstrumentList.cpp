#include "interface/pickers/MCInstrumentList.h"

#include "interface/pickers/MCInstrumentLoading.h"

#include "platform/ui/dialog/ItemId.h"

MCInstrumentList::MCInstrumentList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
}

bool MCInstrumentList::SubclassInstrumentList(int id, QWidget* parent)
{
    return plat::ui::attachToItem(parent, id, this);
}

bool MCInstrumentList::LoadInstruments(const std::string& folder)
{
    RemoveInstruments();
    return mcinstrument::loadFolder(folder, [this](const std::string& name, const std::string& file) {
        auto* entry = new QListWidgetItem(QString::fromStdString(name), this);
        entry->setData(mcinstrument::kPathRole, QString::fromStdString(file));
    });
}

void MCInstrumentList::LoadInstrument(const std::string& file)
{
    mcinstrument::addFile(file, [this](const std::string& name, const std::string& path) {
        auto* entry = new QListWidgetItem(QString::fromStdString(name), this);
        entry->setData(mcinstrument::kPathRole, QString::fromStdString(path));
    });
}

void MCInstrumentList::RemoveInstruments()
{
    for (int i = count() - 1; i >= 0; --i)
        delete takeItem(i);
}

std::string MCInstrumentList::GetSelectedInstrument() const
{
    const QListWidgetItem* selected = currentItem();
    return selected && selected->isSelected() ? selected->text().toStdString() : std::string();
}

std::string MCInstrumentList::GetSelectedInstrumentFile() const
{
    const QListWidgetItem* selected = currentItem();
    return selected && selected->isSelected() ? selected->data(mcinstrument::kPathRole).toString().toStdString()
                                              : std::string();
}

void MCInstrumentList::SetSelectedInstrument(const std::string& name)
{
    const QString wanted = QString::fromStdString(name);
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().startsWith(wanted, Qt::CaseInsensitive)) {
            setCurrentRow(i);
            return;
        }
    }
}
