#include "interface/pickers/MCChordList.h"

#include "interface/core/InterfaceModule.h"
#include "interface/core/MCAtoi.h"
#include "interface/core/MCProgress.h"
#include "interface/core/MCRegistry.h"

#include "notabase/names/DisplayNames.h"
#include "platform/core/Strings.h"

#include <QApplication>

namespace {

constexpr const char* kKey = "Settings\\Chords";

std::string keyOf(const std::string& name)
{
    return plat::format("%s\\%s", kKey, name.c_str());
}

}  // namespace

MCChordList::MCChordList(QWidget* parent) : QListWidget(parent)
{
}

void MCChordList::RefreshChoices()
{
    clear();
    MCRegistry registry;
    if (!registry.OpenAppKey(kKey, 0) || !registry.QueryKeyInfo() || registry.SubKeyCount() == 0) {
        registry.Close();
        AddDefaultChoices();
        return;
    }
    std::vector<std::string> names;
    std::string name, className;
    for (size_t i = 0; registry.EnumerateKeys(i, name, className); ++i)
        names.push_back(name);
    registry.Close();
    for (const std::string& chord : names) {
        std::string quality;
        int type = 0;
        GetChordParams(chord, quality, type);
        auto* entry = new QListWidgetItem(QString::fromStdString(chord), this);
        entry->setData(Qt::UserRole, type);
    }
}

void MCChordList::AddDefaultChoices()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    MCProgressBegin("Initializing Chord Choices...", 0, 6);
    for (int type = 0; type < kDefaultCount; ++type) {
        AddChoice(InterfaceModule::String(uint32_t(11860 + type)), GetChordSymbolString(static_cast<unsigned char>(type)),
                  type);
        if ((type + 1) % 5 == 0)
            MCProgressStep();
    }
    MCProgressEnd();
    QApplication::restoreOverrideCursor();
}

void MCChordList::AddChoice(const std::string& name, const std::string& quality, int type)
{
    MCRegistry registry;
    registry.DeleteAppKey(keyOf(name).c_str());
    if (registry.CreateAppKey(keyOf(name).c_str())) {
        registry.SetStringValue("Quality", quality);
        registry.SetStringValue("Flavor", plat::format("%d", type));
    }
    auto* entry = new QListWidgetItem(QString::fromStdString(name), this);
    entry->setData(Qt::UserRole, type);
}

void MCChordList::RemoveChoice(const std::string& name)
{
    MCRegistry().DeleteAppKey(keyOf(name).c_str());
    const QString wanted = QString::fromStdString(name);
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text().compare(wanted, Qt::CaseInsensitive) == 0) {
            delete takeItem(i);
            return;
        }
    }
}

bool MCChordList::GetChordParams(const std::string& name, std::string& quality, int& type)
{
    MCRegistry registry;
    if (!registry.OpenAppKey(keyOf(name).c_str(), 0)) {
        type = kDefaultCount;
        return false;
    }
    std::string flavor;
    registry.GetStringValue("Quality", quality);
    registry.GetStringValue("Flavor", flavor);
    type = MCAtoi(flavor);
    return true;
}

int MCChordList::GetType(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(Qt::UserRole).toInt() : -1;
}
