#pragma once

#include "interface/InterfaceExport.h"

#include <QListWidget>

#include <string>

// The named chord qualities the user picks from and may extend: each name is a key of
// "Settings\Chords" holding its "Quality" (the chord-symbol suffix) and "Flavor" (the chord
// type number); the 28 built-in chords are written the first time none is found. Each entry
// carries its type number.
class INTERFACE_API MCChordList : public QListWidget {
public:
    static constexpr int kDefaultCount = 28;

    explicit MCChordList(QWidget* parent = nullptr);

    void RefreshChoices();
    void AddDefaultChoices();
    void AddChoice(const std::string& name, const std::string& quality, int type);
    void RemoveChoice(const std::string& name);
    // The chord's quality and type; false with type 28 when there is no such chord.
    static bool GetChordParams(const std::string& name, std::string& quality, int& type);
    int GetType(int row) const;
};
