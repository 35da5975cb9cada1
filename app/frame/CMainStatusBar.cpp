#include "app/frame/CMainStatusBar.h"

#include "interface/controls/MCButton2.h"
#include "interface/controls/MCStaticEdit.h"
#include "interface/core/MCResourceModule.h"
#include "interface/dialogs/MCQuantizationDlg.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/draw/ColorRef.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCStatus.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr plat::ui::ColorRef kNoKey = 0xFFFFFFFF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDarkRed = 0x00007F;
constexpr uint32_t kDarkGreen = 0x007F00;
constexpr uint32_t kSelectColor = 0x7F0000;
constexpr uint32_t kInsertColor = 0x00007F;

plat::ui::ColorRef colorRef(const QColor& color)
{
    return plat::ui::ColorRef(color.red() | (color.green() << 8) | (color.blue() << 16));
}

// The field keeps its colours for its own edit mode; a read-only field shows them through its
// palette.
void setColors(MCStaticEdit* field, plat::ui::ColorRef text, plat::ui::ColorRef background)
{
    field->SetTextColor(text);
    field->SetBkgndColor(background);
    QPalette colours = field->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Text, plat::ui::toQColor(text));
        colours.setColor(group, QPalette::Base, plat::ui::toQColor(background));
    }
    field->setPalette(colours);
}

}  // namespace

CMainStatusBar::CMainStatusBar(CTransportBar::StateWord stateWord, std::function<void()> preferencesChanged,
                               QWidget* parent)
    : QStatusBar(parent), m_stateWord(std::move(stateWord)), m_preferencesChanged(std::move(preferencesChanged))
{
    setObjectName("StatusBar");
    const plat::FontDescription font = LoadFontPreference("Settings\\Font", "Status Font", "Courier", -9, 0, 0, 0, 0);
    m_statusFont = QFont(QString::fromStdString(font.faceName));
    m_statusFont.setPixelSize(std::max(1, std::abs(font.height)));
    m_statusFont.setBold(font.isBold());
    m_statusFont.setItalic(font.italic);

    m_idle = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(12);
    m_progress->hide();
    addWidget(m_idle);
    addWidget(m_progress);

    m_transport = makeField(kWhite, std::nullopt, 100, false);
    m_mode = makeField(kSelectColor, colorRef(palette().color(QPalette::Window)), 150, false);
    m_message = makeField(0x00FFFF, 0x000000, 200, false);
    m_message->setFont(m_statusFont);

    SetResourceModule("Knobset");
    m_quantize = new MCButton2(this);
    m_quantize->setObjectName("QUANTIZE");
    m_quantize->setText(tr("QUANTIZE"));
    m_quantize->LoadBitmaps("QUANTIZE", 0xFF0000, kNoKey, kNoKey);
    m_metro = new MCButton2(this);
    m_metro->setObjectName("METRO");
    m_metro->setText(tr("METRO"));
    m_metro->LoadBitmaps("METRO", 0xFF00FF, kNoKey, kNoKey);
    ResetResourceModule();
    for (MCButton2* button : {m_quantize, m_metro}) {
        button->SetButtonStyle(MCButton2::Toggle);
        button->SetButtonMode(2);
        button->setFixedSize(button->sizeHint().width() + 6, button->sizeHint().height());
        addPermanentWidget(button);
    }
    connect(m_quantize, &QAbstractButton::clicked, this, [this] { OnQuantize(); });
    connect(m_metro, &QAbstractButton::clicked, this, [this] { OnMetronome(); });
    UpdateLatches(false);
}

CMainStatusBar::~CMainStatusBar() = default;

MCStaticEdit* CMainStatusBar::makeField(uint32_t text, std::optional<uint32_t> background, int width, bool stretch)
{
    auto* field = new MCStaticEdit(this);
    field->SetEditEnabled(false);
    field->SetHasFrame(false);
    field->setReadOnly(true);
    setColors(field, text, background.value_or(field->GetBkgndColor()));
    field->setFixedWidth(width);
    addPermanentWidget(field, stretch ? 1 : 0);
    return field;
}

void CMainStatusBar::SetMessageText(const QString& text)
{
    m_message->setText(text);
}

void CMainStatusBar::SetTransportText(const QString& text)
{
    m_transport->setText(text);
}

void CMainStatusBar::SetModeText(const QString& text)
{
    m_mode->setText(text);
}

CMainStatusBar::TransportLook CMainStatusBar::TransportLookOf(uint32_t word)
{
    TransportLook look;
    if (word & 0x00020100)
        look.text += QStringLiteral("Step ");
    if (word & 0x00074000) {
        look.text += QStringLiteral("Record ");
        look.colors = std::make_pair(kWhite, kDarkRed);
    } else if (word & 0x0000031C) {
        look.text += QStringLiteral("Play ");
        look.colors = std::make_pair(kWhite, kDarkGreen);
    }
    if (word & 0x0000400C)
        look.text += QStringLiteral("(Paused)");
    return look;
}

void CMainStatusBar::UpdateTransport()
{
    const std::optional<uint32_t> word = m_stateWord ? m_stateWord() : std::nullopt;
    if (!word)
        return;
    const TransportLook look = TransportLookOf(*word);
    if (look.colors) {
        setColors(m_transport, look.colors->first, look.colors->second);
    } else {
        setColors(m_transport, colorRef(palette().color(QPalette::ButtonText)),
                  colorRef(palette().color(QPalette::Button)));
    }
    SetTransportText(look.text);
    m_transport->update();
}

void CMainStatusBar::UpdateLatches(bool repaint)
{
    const bool quantize = LoadIntPreference(kRecordSection, "Quantization Mode", 0) != 0 &&
                          LoadIntPreference(kRecordSection, "Quantization Percent", 100) > 0;
    const bool metro = LoadIntPreference(kMetronomeSection, "Play Enable", 0) != 0 ||
                       LoadIntPreference(kMetronomeSection, "Record Enable", 1) != 0;
    m_quantize->SetButtonState(quantize ? 1 : 0);
    m_metro->SetButtonState(metro ? 1 : 0);
    if (repaint) {
        m_quantize->repaint();
        m_metro->repaint();
    }
}

void CMainStatusBar::OnUpdate(int code, SCBase* state)
{
    auto* status = dynamic_cast<SCStatus*>(state);
    switch (code) {
    case 1300:
    case 1301:
    case 1705:
        if (m_stateWord && m_stateWord())
            UpdateTransport();
        else
            OnUpdate(3300, nullptr);
        break;
    case 1500:
    case 1501:
        setColors(m_mode, kSelectColor, m_mode->GetBkgndColor());
        SetModeText(tr("Select Mode"));
        break;
    case 1502:
        setColors(m_mode, kInsertColor, m_mode->GetBkgndColor());
        SetModeText(tr("Insert %1").arg(QString::fromStdString(GetEventString(SCMode::GetEventType()))));
        break;
    case 1600:
        UpdateLatches(true);
        break;
    case 1800:
        if (status)
            SetMessageText(QString::fromStdString(status->GetMessage()));
        break;
    case 1801:
        if (status) {
            int low = 0;
            int high = 0;
            status->GetProgressRange(low, high);
            ProgressBegin(low, high, status->GetProgressStep(), QString::fromStdString(status->GetMessage()));
        }
        break;
    case 1802:
        // The senders put the position in the step field (the range stays the one begun).
        if (status)
            ProgressSet(status->GetProgressStep());
        break;
    case 1803:
        ProgressStep();
        break;
    case 1804:
        ProgressEnd();
        break;
    case 3300:
    case 3301:
    case 3302:
    case 3304:
        UpdateTransport();
        break;
    default:
        break;
    }
}

void CMainStatusBar::ProgressBegin(int low, int high, int step, const QString& text)
{
    m_idle->setText(text);
    const int textWidth = QFontMetrics(font()).horizontalAdvance(text);
    m_idle->setFixedWidth(textWidth + 10);
    m_progress->setRange(low, std::max(low, high));
    m_progressStep = step;
    m_progress->setValue(low);
    m_progress->setFixedWidth(200);
    m_progress->show();
}

void CMainStatusBar::ProgressSet(int position)
{
    m_progress->setValue(std::clamp(position, m_progress->minimum(), m_progress->maximum()));
}

void CMainStatusBar::ProgressStep()
{
    ProgressSet(m_progress->value() + m_progressStep);
}

void CMainStatusBar::ProgressEnd()
{
    m_progress->hide();
    m_idle->setMinimumWidth(0);
    m_idle->setMaximumWidth(QWIDGETSIZE_MAX);
    m_idle->clear();
}

void CMainStatusBar::OnQuantize()
{
    MCQuantizationDlg dialog(window());
    plat::ui::ModalHooks::runDialog(dialog);
    UpdateLatches(true);
}

void CMainStatusBar::OnMetronome()
{
    const int play = LoadIntPreference(kMetronomeSection, "Play Enable", 0);
    const int record = LoadIntPreference(kMetronomeSection, "Record Enable", 1);
    bool pressed = false;
    if (play) {
        m_rememberedPlay = play;
        m_rememberedRecord = record;
    } else if (record) {
        m_rememberedPlay = 0;
        m_rememberedRecord = record;
    } else {
        if (!m_rememberedPlay && !m_rememberedRecord)
            m_rememberedRecord = 1;
        pressed = true;
    }
    SaveIntPreference(kMetronomeSection, "Play Enable", pressed ? m_rememberedPlay : 0);
    SaveIntPreference(kMetronomeSection, "Record Enable", pressed ? m_rememberedRecord : 0);
    m_metro->SetButtonState(pressed ? 1 : 0);
    m_metro->repaint();
    if (m_preferencesChanged)
        m_preferencesChanged();
}
