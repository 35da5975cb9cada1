#include "interface/pickers/MCIntervalBox.h"

#include "interface/core/MCAtoi.h"
#include "interface/core/MCProgress.h"
#include "interface/core/MCRegistry.h"

#include "platform/core/Strings.h"

#include <QApplication>

namespace {

constexpr const char* kKey = "Settings\\Intervals";

std::string keyOf(const std::string& name)
{
    return plat::format("%s\\%s", kKey, name.c_str());
}

struct BuiltIn {
    const char* name;
    int halfSteps, octave, quality, quantity;
};

constexpr BuiltIn kIntervals[] = {
    {"Prime", 0, 0, 0, 0},           {"Augmented Prime", 1, 0, 3, 0}, {"Minor 2nd", 1, 0, 2, 1},
    {"Major 2nd", 2, 0, 1, 1},       {"Augmented 2nd", 3, 0, 3, 1},   {"Minor 3rd", 3, 0, 2, 2},
    {"Major 3rd", 4, 0, 1, 2},       {"Perfect 4th", 5, 0, 0, 3},     {"Augmented 4th", 6, 0, 3, 3},
    {"Diminished 5th", 6, 0, 4, 4},  {"Perfect 5th", 7, 0, 0, 4},     {"Augmented 5th", 8, 0, 3, 4},
    {"Minor 6th", 8, 0, 2, 5},       {"Major 6th", 9, 0, 1, 5},       {"Augmented 6th", 10, 0, 3, 5},
    {"Minor 7th", 10, 0, 2, 6},      {"Major 7th", 11, 0, 1, 6},      {"Octave", 12, 1, 0, 0},
    {"Minor 9th", 13, 1, 2, 1},      {"Major 9th", 14, 1, 1, 1},      {"Augmented 9th", 15, 1, 3, 1},
    {"Major 11th", 17, 1, 1, 3},     {"Augmented 11th", 18, 1, 3, 3}, {"Minor 13th", 20, 1, 2, 5},
    {"Major 13th", 21, 1, 1, 5},     {"Augmented 13th", 22, 1, 3, 5},
};
static_assert(std::size(kIntervals) == MCIntervalBox::kDefaultCount);

}  // namespace

MCIntervalBox::MCIntervalBox(QWidget* parent) : QComboBox(parent)
{
}

void MCIntervalBox::RefreshChoices()
{
    clear();
    MCRegistry registry;
    if (!registry.OpenAppKey(kKey, 0) || !registry.QueryKeyInfo() || registry.SubKeyCount() == 0) {
        registry.Close();
        AddDefaultChoices();
        return;
    }
    std::string name, className;
    for (size_t i = 0; registry.EnumerateKeys(i, name, className); ++i)
        addItem(QString::fromStdString(name));
}

void MCIntervalBox::AddDefaultChoices()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    MCProgressBegin("Initializing Interval Choices...", 0, 5);
    for (size_t i = 0; i < std::size(kIntervals); ++i) {
        const BuiltIn& interval = kIntervals[i];
        AddChoice(interval.name, interval.halfSteps, interval.octave, interval.quality, interval.quantity);
        if ((i + 1) % 5 == 0)
            MCProgressStep();
    }
    MCProgressEnd();
    QApplication::restoreOverrideCursor();
}

void MCIntervalBox::AddChoice(const std::string& name, int halfSteps, int octave, int quality, int quantity)
{
    MCRegistry registry;
    registry.DeleteAppKey(keyOf(name).c_str());
    if (registry.CreateAppKey(keyOf(name).c_str())) {
        registry.SetStringValue("Half Steps", plat::format("%d", halfSteps));
        registry.SetStringValue("Octave", plat::format("%d", octave));
        registry.SetStringValue("Quality", plat::format("%d", quality));
        registry.SetStringValue("Quantity", plat::format("%d", quantity));
    }
    addItem(QString::fromStdString(name));
}

void MCIntervalBox::RemoveChoice(const std::string& name)
{
    MCRegistry().DeleteAppKey(keyOf(name).c_str());
    const int found = findText(QString::fromStdString(name), Qt::MatchFixedString);
    if (found >= 0)
        removeItem(found);
}

bool MCIntervalBox::GetIntervalParams(const std::string& name, int& halfSteps, int& octave, int& quality,
                                      int& quantity)
{
    MCRegistry registry;
    if (!registry.OpenAppKey(keyOf(name).c_str(), 0))
        return false;
    const auto read = [&](const char* value) {
        std::string text;
        registry.GetStringValue(value, text);
        return MCAtoi(text);
    };
    halfSteps = read("Half Steps");
    octave = read("Octave");
    quality = read("Quality");
    quantity = read("Quantity");
    return true;
}
