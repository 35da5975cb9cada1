#pragma once

#include "rack/outside/plinthstore/PlinthStoreExport.h"
#include "rack/outside/plinthstore/StoreRecords.h"

#include <QDialog>

class QComboBox;

namespace rack {

// The recording set-up: the rate, sample size and channels of new recordings, kept in the
// section "Recording" of the rack's profile (keys "Rate", "Bits", "Channels").
class PLINTHSTORE_API RecordSetupDialog : public QDialog {
public:
    // Control ids of the dialog.
    static constexpr int kRateBox = 4101;
    static constexpr int kBitsBox = 4102;
    static constexpr int kChannelsBox = 4103;

    explicit RecordSetupDialog(QWidget* parent);

    // The stored format; 44100 Hz 16-bit stereo when nothing usable is stored.
    static WaveFormat storedFormat();

    // Stores the chosen format and closes.
    void accept() override;

    QComboBox* rateBox() const { return m_rate; }
    QComboBox* bitsBox() const { return m_bits; }
    QComboBox* channelsBox() const { return m_channels; }

private:
    QComboBox* m_rate;
    QComboBox* m_bits;
    QComboBox* m_channels;
};

}  // namespace rack
