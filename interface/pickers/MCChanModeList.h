#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCMessageList.h"

#include <string>

// The channel-mode messages of a document's conductor staff in time order, with their time,
// output device and basic channel.
class INTERFACE_API MCChanModeList : public MCMessageList {
public:
    explicit MCChanModeList(QWidget* parent = nullptr);

    bool SubclassList(int id, QWidget* parent);
    void Initialize() override;
    void RefreshMessages() override;
    // "n) name" of MIDI output device (n from 1); false, empty, when it cannot be asked.
    static bool GetDeviceString(int device, std::string& out);
    static std::string MessageName(int type);

private:
    // The time column's width; the message column takes what the others leave.
    void SetTimeWidth(int width);
};
