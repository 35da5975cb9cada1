#include "interface/pickers/MCInstrumentBox.h"

#include "interface/pickers/MCInstrumentLoading.h"

#include "platform/ui/dialog/ItemId.h"

MCInstrumentBox::MCInstrumentBox(QWidget* parent) : QComboBox(parent)
{
}

bool MCInstrumentBox::SubclassInstrumentBox(int id, QWidget* parent)
{
    return plat::ui::attachToItem(parent, id, this);
}

bool MCInstrumentBox::LoadInstruments(const std::string& folder)
{
    RemoveInstruments();
    return mcinstrument::loadFolder(folder, [this](const std::string& name, const std::string& file) {
        addItem(QString::fromStdString(name), QString::fromStdString(file));
    });
}

void MCInstrumentBox::LoadInstrument(const std::string& file)
{
    mcinstrument::addFile(file, [this](const std::string& name, const std::string& path) {
        addItem(QString::fromStdString(name), QString::fromStdString(path));
    });
}

void MCInstrumentBox::RemoveInstruments()
{
    for (int i = count() - 1; i >= 0; --i)
        removeItem(i);
}

std::string MCInstrumentBox::GetSelectedInstrument() const
{
    return currentIndex() < 0 ? std::string() : currentText().toStdString();
}

std::string MCInstrumentBox::GetSelectedInstrumentFile() const
{
    return currentIndex() < 0 ? std::string() : currentData().toString().toStdString();
}

void MCInstrumentBox::SetSelectedInstrument(const std::string& name)
{
    // A whole name wins over a longer one it begins: "General Midi" must not pick
    // "General Midi Drums" only because that file comes first.
    int found = findText(QString::fromStdString(name), Qt::MatchFixedString);
    if (found < 0)
        found = findText(QString::fromStdString(name), Qt::MatchStartsWith);
    if (found >= 0)
        setCurrentIndex(found);
}
