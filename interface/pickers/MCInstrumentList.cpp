#include "interface/pickers/MCInstrumentList.h"

#include "interface/pickers/MCInstrumentLoading.h"

#include "platform/ui/dialog/ChoiceKeeper.h"
#include "platform/ui/dialog/ItemId.h"

MCInstrumentList::MCInstrumentList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    plat::ui::ChoiceKeeper::keep(*this);
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
    // A whole name wins over a longer one it begins: "General Midi" must not pick
    // "General Midi Drums" only because that file comes first.
    const QString wanted = QString::fromStdString(name);
    for (const bool whole : {true, false}) {
        for (int i = 0; i < count(); ++i) {
            const QString text = item(i)->text();
            if (whole ? text.compare(wanted, Qt::CaseInsensitive) == 0 : text.startsWith(wanted, Qt::CaseInsensitive)) {
                setCurrentRow(i);
                return;
            }
        }
    }
}
