#pragma once

#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ExchangeDialog.h"

class ECChannelMode;
class MCOpusDoc;

// Edits one channel-mode message of a document, or makes a new one under the conductor
// staff: its output device, time, basic channel, message type and, for mode 4, its channel
// count. A new message starts from the device and channel of the first one already there.
class CChanModeEditDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kDevice = 871, kTime = 872, kChannel = 873, kType = 874, kChannelsLabel = 883,
                         kChannels = 884;
    static constexpr int kTypeCount = 9, kMode4 = 8;

    // element null: a new message.
    CChanModeEditDlg(MCOpusDoc* doc, ECChannelMode* element, QWidget* parent = nullptr);

    // Runs the editor modally; QDialog::Accepted when the change was applied.
    static int Run(MCOpusDoc* doc, ECChannelMode* element, QWidget* parent = nullptr);

    // A message type chosen: the channel count shows only for mode 4.
    void OnType();
    void accept() override;

    int GetDevice() const { return m_device; }
    int GetChannel() const { return m_channel; }
    int GetType() const { return m_type; }
    int GetMode4Channels() const { return m_mode4Channels; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void applyChange();

    MCOpusDoc* m_doc;
    ECChannelMode* m_element;
    int m_device = 0;
    MCTime m_time;
    int m_channel = 0;
    int m_type = 0;
    // -1 for all channels.
    int m_mode4Channels = -1;
};
