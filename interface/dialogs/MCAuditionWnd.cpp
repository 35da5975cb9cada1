#include "interface/dialogs/MCAuditionWnd.h"

#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCNoteEdit.h"
#include "interface/core/InterfaceModule.h"
#include "interface/pickers/MCPianoCtrlMedia.h"

#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr const char* kSection = "Settings\\Keyboard";

}  // namespace

MCAuditionWnd::MCAuditionWnd(QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_keyboard(new MCPianoCtrlMedia(this)), m_slider(new QSlider(Qt::Horizontal, this)),
      m_lowEdit(new MCNoteEdit), m_highEdit(new MCNoteEdit), m_update(new QPushButton("&Update", this)),
      m_advancedButton(new QPushButton(this)), m_advancedPanel(new QWidget(this))
{
    setWindowTitle("Audition Instrument");
    auto* layout = new QVBoxLayout(this);
    auto* info = new QLabel(this);
    plat::ui::setItemId(info, kInfo);
    plat::ui::setItemId(m_keyboard, kKeyboard);
    m_keyboard->setMinimumSize(520, 72);
    plat::ui::setItemId(m_advancedButton, kAdvanced);
    plat::ui::setItemId(m_update, kUpdate);
    plat::ui::setItemId(m_slider, kVelocity);
    auto* top = new QHBoxLayout;
    top->addWidget(info, 1);
    top->addWidget(m_advancedButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &MCAuditionWnd::reject);
    top->addWidget(buttons);

    auto* grid = new QGridLayout(m_advancedPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* velocityText = new QLabel(m_advancedPanel);
    plat::ui::setItemId(velocityText, kVelocityText);
    velocityText->setMinimumWidth(velocityText->fontMetrics().horizontalAdvance("000"));
    auto* velocityLabel = new QLabel("&Velocity:", m_advancedPanel);
    velocityLabel->setBuddy(m_slider);
    grid->addWidget(velocityLabel, 0, 0);
    grid->addWidget(m_slider, 0, 1);
    grid->addWidget(velocityText, 0, 2);
    const std::pair<int, const char*> edits[] = {{kLow, "&Lowest note:"}, {kHigh, "&Highest note:"}};
    for (int row = 0; row < 2; ++row) {
        auto* placeholder = new QLabel(m_advancedPanel);
        plat::ui::setItemId(placeholder, edits[row].first);
        auto* label = new QLabel(edits[row].second, m_advancedPanel);
        label->setBuddy(row == 0 ? m_lowEdit : m_highEdit);
        grid->addWidget(label, row + 1, 0);
        grid->addWidget(placeholder, row + 1, 1);
    }
    grid->addWidget(m_update, 2, 2);
    layout->addLayout(top);
    layout->addWidget(m_keyboard, 1);
    layout->addWidget(m_advancedPanel);

    connect(m_advancedButton, &QPushButton::clicked, this, [this] { SetAdvanced(!m_advanced); });
    connect(m_update, &QPushButton::clicked, this, [this] { updateData(true); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) { velocityMoved(value); });
    initDialog();
    updateData(false);
}

MCAuditionWnd::~MCAuditionWnd()
{
    SaveIntPreference(kSection, "Advanced", m_advanced ? 1 : 0);
    SaveIntPreference(kSection, "Velocity", m_velocity);
    SaveIntPreference(kSection, "LowNote", m_low);
    SaveIntPreference(kSection, "HighNote", m_high);
}

void MCAuditionWnd::initDialog()
{
    if (m_lowEdit->parentWidget())
        return;
    m_keyboard->SetLabels(1);
    m_lowEdit->SubclassNoteEdit(kLow, m_advancedPanel, MCSpinEdit::kVisibleSpin);
    m_highEdit->SubclassNoteEdit(kHigh, m_advancedPanel, MCSpinEdit::kVisibleSpin);
    m_lowEdit->SetRange(0, 127);
    m_highEdit->SetRange(0, 127);
    m_slider->setRange(0, 127);
    // Notes and velocity are held to the MIDI range before the keyboard works out its keys.
    m_low = LoadIntPreference(kSection, "LowNote", 21, 0, 127);
    m_high = LoadIntPreference(kSection, "HighNote", 108, 0, 127);
    m_velocity = LoadIntPreference(kSection, "Velocity", 127, 0, 127);
    SetAdvanced(LoadIntPreference(kSection, "Advanced", 0) != 0);
}

void MCAuditionWnd::SetDevChan(int device, int channel)
{
    m_device = device;
    m_channel = channel;
    updateData(false);
}

void MCAuditionWnd::SetAdvanced(bool advanced)
{
    m_advanced = advanced;
    for (QWidget* control : std::initializer_list<QWidget*>{m_slider, m_lowEdit, m_highEdit, m_update})
        control->setEnabled(advanced);
    m_advancedPanel->setVisible(advanced);
    m_advancedButton->setText(QString::fromStdString(InterfaceModule::String(advanced ? 11666 : 11665)));
    adjustSize();
}

void MCAuditionWnd::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!dx.saving()) {
        if (auto* info = plat::ui::item<QLabel>(this, kInfo))
            info->setText(QString::fromStdString(m_info));
    }
    if (dx.saving()) {
        m_velocity = m_slider->value();
    } else {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(m_velocity);
    }
    DDX_MCNoteEdit(dx, kLow, m_low);
    DDX_MCNoteEdit(dx, kHigh, m_high);
    m_keyboard->SetRange(m_low, m_high);
    m_keyboard->update();
    if (!dx.saving()) {
        if (auto* text = plat::ui::item<QLabel>(this, kVelocityText))
            text->setNum(m_velocity);
        m_keyboard->SetChannel(static_cast<unsigned char>(m_channel));
        m_keyboard->SetDevice(static_cast<unsigned int>(m_device));
        m_keyboard->SetNoteOnVolume(static_cast<unsigned char>(m_velocity));
        m_keyboard->SetNoteOffVolume(static_cast<unsigned char>(m_velocity));
    }
}

void MCAuditionWnd::velocityMoved(int value)
{
    m_velocity = value;
    if (auto* text = plat::ui::item<QLabel>(this, kVelocityText))
        text->setNum(value);
    m_keyboard->SetNoteOnVolume(static_cast<unsigned char>(value));
    m_keyboard->SetNoteOffVolume(static_cast<unsigned char>(value));
}
