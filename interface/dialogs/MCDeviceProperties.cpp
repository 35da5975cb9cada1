#include "interface/dialogs/MCDeviceProperties.h"

#include "interface/core/InterfaceModule.h"
#include "interface/pickers/MCDeviceLabels.h"
#include "interface/pickers/MCInstrumentList.h"

#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCPrefs.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "wavegate/CWavegate.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

MCDeviceProperties::MCDeviceProperties(QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_instruments(new MCInstrumentList(this)), m_drums(new MCInstrumentList(this))
{
    setWindowTitle("Device Properties");
    auto* layout = new QVBoxLayout(this);
    auto* device = new QGroupBox("Device", this);
    auto* form = new QFormLayout(device);
    for (const auto& [id, label] : {std::pair{kName, "Name:"}, std::pair{kVersion, "Version:"}, std::pair{kTechnology, "Type:"}}) {
        auto* text = new QLabel(device);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        plat::ui::setItemId(text, id);
        form->addRow(label, text);
    }
    auto* maps = new QGridLayout;
    plat::ui::setItemId(m_instruments, kInstruments);
    plat::ui::setItemId(m_drums, kDrums);
    auto* instrumentsLabel = new QLabel("&Instrument map:", this);
    instrumentsLabel->setBuddy(m_instruments);
    auto* drumsLabel = new QLabel("&Drum map:", this);
    drumsLabel->setBuddy(m_drums);
    maps->addWidget(instrumentsLabel, 0, 0);
    maps->addWidget(drumsLabel, 0, 1);
    maps->addWidget(m_instruments, 1, 0);
    maps->addWidget(m_drums, 1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &MCDeviceProperties::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &MCDeviceProperties::reject);
    layout->addWidget(device);
    layout->addLayout(maps);
    layout->addWidget(buttons);
}

int MCDeviceProperties::DoDevice(int device)
{
    const CWavegate* wavegate = CWavegate::GetWavegate();
    WG_DevCaps caps;
    if (!wavegate || !wavegate->GetDeviceCaps(CWavegate::WG_MIDI, CWavegate::WG_OUT, device, &caps))
        return QDialog::Rejected;
    m_instrumentMap = MCDeviceLabels::GetInstrument(1, device);
    m_drumMap = MCDeviceLabels::GetInstrument(2, device);
    m_name = caps.name;
    m_version = plat::format(InterfaceModule::String(11790).c_str(), int((caps.driverVersion >> 8) & 0xFF),
                             int(caps.driverVersion & 0xFF));
    switch (caps.technology) {
    case 1: m_technology = InterfaceModule::String(11793); break;
    case 2: m_technology = InterfaceModule::String(11795); break;
    case 3: m_technology = InterfaceModule::String(11794); break;
    case 4: m_technology = InterfaceModule::String(11791); break;
    case 5: m_technology = InterfaceModule::String(11792); break;
    default: m_technology.clear(); break;
    }
    m_device = device;
    m_instruments->LoadInstruments();
    m_instruments->SetSelectedInstrument(m_instrumentMap);
    m_drums->LoadInstruments();
    m_drums->SetSelectedInstrument(m_drumMap);
    m_initialised = true;
    updateData(false);
    return plat::ui::ModalHooks::runDialog(*this);
}

void MCDeviceProperties::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    if (!dx.saving()) {
        const std::pair<int, const std::string*> texts[] = {{kName, &m_name}, {kVersion, &m_version},
                                                            {kTechnology, &m_technology}};
        for (const auto& [id, text] : texts) {
            if (auto* label = plat::ui::item<QLabel>(this, id))
                label->setText(QString::fromStdString(*text));
        }
        return;
    }
    m_instrumentMap = m_instruments->GetSelectedInstrument();
    m_drumMap = m_drums->GetSelectedInstrument();
}

void MCDeviceProperties::accept()
{
    if (!updateData(true))
        return;
    MCDeviceLabels::SetInstrument(1, m_device, m_instrumentMap);
    MCDeviceLabels::SetInstrument(2, m_device, m_drumMap);
    MCStateMgr::ApplyState(new SCPrefs(), nullptr);
    QDialog::accept();
}
