#include "interface/pickers/MCPartBox.h"

#include "interface/core/MCRegistry.h"

#include "platform/core/Strings.h"

namespace {

constexpr const char* kKey = "Settings\\Parts";

std::string keyOf(const std::string& name)
{
    return plat::format("%s\\%s", kKey, name.c_str());
}

}  // namespace

MCPartBox::MCPartBox(QWidget* parent) : QComboBox(parent)
{
}

void MCPartBox::RefreshParts()
{
    clear();
    MCRegistry registry;
    if (!registry.OpenAppKey(kKey, 0) || !registry.QueryKeyInfo() || registry.SubKeyCount() == 0) {
        registry.Close();
        AddDefaultParts();
        return;
    }
    std::string name, className;
    for (size_t i = 0; registry.EnumerateKeys(i, name, className); ++i)
        addItem(QString::fromStdString(name));
}

void MCPartBox::AddDefaultParts()
{
    AddPart("<Default>", 0, 0, 0, 0, 0, 0);
    AddPart("Piano", 1, 0, 0, 0, 0, 0);
    AddPart("Bass", 0, 5, 0, 0, 0, 32);
    AddPart("Guitar", 0, 0, 0, 0, 0, 24);
    AddPart("Drums", 3, 8, 0, 0, 0, 0);
    AddPart("Vocals", 6, 0, 0, 0, 0, 53);
}

void MCPartBox::AddPart(const std::string& name, int staff, int clef, int sharps, int flats, int mode, int instrument)
{
    MCRegistry registry;
    registry.DeleteAppKey(keyOf(name).c_str());
    if (registry.CreateAppKey(keyOf(name).c_str())) {
        registry.SetIntValue("Staff", staff);
        registry.SetIntValue("Clef", clef);
        registry.SetIntValue("KeySharps", sharps);
        registry.SetIntValue("KeyFlats", flats);
        registry.SetIntValue("KeyMode", mode);
        registry.SetIntValue("Instrument", instrument);
    }
    addItem(QString::fromStdString(name));
}

void MCPartBox::RemovePart(const std::string& name)
{
    MCRegistry().DeleteAppKey(keyOf(name).c_str());
    const int found = findText(QString::fromStdString(name), Qt::MatchFixedString);
    if (found >= 0)
        removeItem(found);
}

bool MCPartBox::GetPartParams(const std::string& name, int& staff, int& clef, int& sharps, int& flats, int& mode,
                              int& instrument)
{
    MCRegistry registry;
    if (!registry.OpenAppKey(keyOf(name).c_str(), 0))
        return false;
    const auto read = [&](const char* value) {
        int number = 0;
        return registry.GetIntValue(value, number) ? number : 0;
    };
    staff = read("Staff");
    clef = read("Clef");
    sharps = read("KeySharps");
    flats = read("KeyFlats");
    mode = read("KeyMode");
    instrument = read("Instrument");
    return true;
}
