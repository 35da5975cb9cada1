#include "rack/outside/plinthstore/RecordSetupDialog.h"

#include "rack/plinthart/PlinthProfile.h"

#include "platform/core/Strings.h"
#include "platform/ui/dialog/TitleRoom.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

#include <algorithm>
#include <iterator>

namespace rack {

namespace {

constexpr uint32_t kRates[] = {11025, 22050, 44100, 48000};
constexpr const char* kSection = "Recording";

int storedNumber(const char* key, int fallback)
{
    return static_cast<int>(
        plat::parseInt(PlinthProfile::getString(kSection, key, std::to_string(fallback), 14)).value_or(fallback));
}

}  // namespace

RecordSetupDialog::RecordSetupDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Recording Setup");
    plat::ui::TitleRoom::keep(*this);
    m_rate = new QComboBox(this);
    for (const uint32_t rate : kRates)
        m_rate->addItem(QString("%1 Hz").arg(rate), rate);
    m_bits = new QComboBox(this);
    m_bits->addItem("8 bits", 8);
    m_bits->addItem("16 bits", 16);
    m_channels = new QComboBox(this);
    m_channels->addItem("Mono", 1);
    m_channels->addItem("Stereo", 2);
    m_rate->setProperty("itemId", kRateBox);
    m_bits->setProperty("itemId", kBitsBox);
    m_channels->setProperty("itemId", kChannelsBox);

    const WaveFormat format = storedFormat();
    m_rate->setCurrentIndex(m_rate->findData(format.samplesPerSec));
    m_bits->setCurrentIndex(m_bits->findData(format.bitsPerSample));
    m_channels->setCurrentIndex(m_channels->findData(format.channels));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow("Sample rate:", m_rate);
    layout->addRow("Sample size:", m_bits);
    layout->addRow("Channels:", m_channels);
    layout->addRow(buttons);
}

WaveFormat RecordSetupDialog::storedFormat()
{
    int rate = storedNumber("Rate", 44100);
    int bits = storedNumber("Bits", 16);
    int channels = storedNumber("Channels", 2);
    if (std::find(std::begin(kRates), std::end(kRates), uint32_t(rate)) == std::end(kRates))
        rate = 44100;
    if (bits != 8)
        bits = 16;
    if (channels != 1)
        channels = 2;
    return WaveFormat::pcm(uint32_t(rate), uint16_t(channels), uint16_t(bits));
}

void RecordSetupDialog::accept()
{
    PlinthProfile::setString(kSection, "Rate", std::to_string(m_rate->currentData().toInt()));
    PlinthProfile::setString(kSection, "Bits", std::to_string(m_bits->currentData().toInt()));
    PlinthProfile::setString(kSection, "Channels", std::to_string(m_channels->currentData().toInt()));
    QDialog::accept();
}

}  // namespace rack
