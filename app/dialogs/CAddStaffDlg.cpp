#include "app/dialogs/CAddStaffDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/dialogs/CDefinePartDlg.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCPartBox.h"
#include "interface/pickers/MCTrackBox.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCAddEnvPoint.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECText.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/values/MCVoiceMap.h"
#include "wavegate/CWavegate.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr const char* kSection = "Settings\\AddStaff";

}  // namespace

CAddStaffDlg::CAddStaffDlg(MCOpusDoc* doc, QWidget* parent) : QDialog(parent), m_doc(doc)
{
    setWindowTitle("Add Staff");
    CDialogToolTips::Install(this);
    if (ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr)
        m_staves = performance->GetConductor()->GetMaxTrackNumber(1);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_count = new QSpinBox(this);
    m_count->setRange(1, 255);
    plat::ui::setItemId(m_count, kCount);
    form->addRow("&Number of staves:", m_count);
    layout->addLayout(form);

    auto* where = new QGroupBox("Location", this);
    auto* whereLayout = new QVBoxLayout(where);
    const char* labels[] = {"&Before Staff", "&After Staff", "After &Last Staff"};
    for (int i = 0; i < 3; ++i) {
        m_locations[i] = new QRadioButton(labels[i], where);
        plat::ui::setItemId(m_locations[i], kLocation + i);
        whereLayout->addWidget(m_locations[i]);
        connect(m_locations[i], &QRadioButton::clicked, this, [this] { UpdateEnabling(); });
    }
    plat::ui::setGroupStart(m_locations[0], true);
    m_staff = new MCTrackBox(where);
    plat::ui::setItemId(m_staff, kStaff);
    m_staff->SetDocument(m_doc);
    whereLayout->addWidget(m_staff);
    layout->addWidget(where);

    auto* details = new QFormLayout;
    m_name = new QLineEdit(this);
    plat::ui::setItemId(m_name, kName);
    details->addRow("&Name:", m_name);
    m_part = new MCPartBox(this);
    plat::ui::setItemId(m_part, kPart);
    m_part->RefreshParts();
    m_partMenu = new QMenu(this);
    QAction* define = m_partMenu->addAction("Define &New Part...");
    define->setData(kDefinePart);
    connect(define, &QAction::triggered, this, [this] { OnDefinePart(); });
    QAction* remove = m_partMenu->addAction("&Remove Part Definition");
    remove->setData(kRemovePart);
    connect(remove, &QAction::triggered, this, [this] { OnRemovePart(); });
    auto* partMenu = new MCMenuButton(this);
    partMenu->setText("...");
    partMenu->SetMenu(m_partMenu);
    plat::ui::setItemId(partMenu, kPartMenu);
    auto* partRow = new QHBoxLayout;
    partRow->addWidget(m_part, 1);
    partRow->addWidget(partMenu);
    // A row of two controls gets no buddy by itself: the label's mnemonic goes to the part list.
    auto* partLabel = new QLabel("&Part:", this);
    partLabel->setBuddy(m_part);
    details->addRow(partLabel, partRow);
    layout->addLayout(details);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAddStaffDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAddStaffDlg::reject);
    layout->addWidget(buttons);

    const int found = m_part->findText(QString::fromStdString(LoadStringPreference(kSection, "Part", "<Default>")));
    m_part->setCurrentIndex(found >= 0 ? found : 0);
    const int location = LoadIntPreference(kSection, "Location", 2);
    m_locations[location >= 0 && location <= 2 ? location : 2]->setChecked(true);
    UpdateEnabling();
}

CAddStaffDlg::~CAddStaffDlg()
{
    SaveStringPreference(kSection, "Part", m_part->currentText().toStdString().c_str());
    SaveIntPreference(kSection, "Location", Location());
}

int CAddStaffDlg::Run(MCOpusDoc* doc, QWidget* parent)
{
    CAddStaffDlg dialog(doc, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

void CAddStaffDlg::OnDefinePart()
{
    const std::string label = CDefinePartDlg::Run(this);
    if (label.empty())
        return;
    m_part->RefreshParts();
    m_part->setCurrentIndex(m_part->findText(QString::fromStdString(label)));
}

void CAddStaffDlg::OnRemovePart()
{
    const std::string part = m_part->currentText().toStdString();
    if (m_part->currentIndex() < 0 || part.empty())
        return;
    m_part->RemovePart(part);
    m_part->RefreshParts();
    m_part->setCurrentIndex(-1);
}

int CAddStaffDlg::Location() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_locations[i]->isChecked())
            return i;
    }
    return 2;
}

void CAddStaffDlg::UpdateEnabling()
{
    const bool any = m_staves > 0;
    for (QRadioButton* location : m_locations)
        location->setEnabled(any);
    m_staff->setEnabled(any && Location() != 2);
}

void CAddStaffDlg::accept()
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    // The spin box keeps its last good value behind a text it cannot take ("0", nothing): the
    // user is told instead of getting a count they did not type.
    if (!m_count->hasAcceptableInput()) {
        plat::UserPrompt::ask({windowTitle().toStdString(),
                               plat::format("Enter a whole number from %d to %d.", m_count->minimum(), m_count->maximum()),
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
        m_count->setFocus(Qt::OtherFocusReason);
        m_count->selectAll();
        return;
    }
    const int location = m_staves > 0 ? Location() : 2;
    // The entry carries its staff: the picker leaves out staves without a name, so its list
    // index is not the staff number.
    auto* chosen = reinterpret_cast<ECTrack*>(m_staff->currentData().value<quintptr>());
    const int number = chosen ? performance->GetConductor()->GetTrackNumber(1, chosen) : -1;
    const int staff = number > 0 ? number : m_staff->currentIndex() + 1;
    const int first = location == 0 ? staff : location == 1 ? staff + 1 : m_staves + 1;
    const int count = m_count->value();
    // Staves past the last track number would not be made, and one inserted before a staff
    // would change that staff instead: the piece stays as it is and the user is told.
    if (count > MCVoiceTrack::lastTrack - m_staves) {
        plat::UserPrompt::ask({DocumentStrings::applicationName(),
                               plat::format(AppStrings::text(AppStrings::addStaffTooMany).c_str(),
                                            MCVoiceTrack::lastTrack, m_staves),
                               plat::UserPrompt::Buttons::ok, plat::UserPrompt::Icon::warning, std::nullopt});
        return;
    }
    MCCommandMgr::BeginUndo(performance, "Add Staff");
    for (int i = 0; i < count; ++i)
        AddStaff(performance, m_name->text().toStdString(), m_part->currentText().toStdString(), first + i, count);
    MCCommandMgr::EndUndo(performance);
    m_doc->SetModifiedFlag();
    QDialog::accept();
}

void CAddStaffDlg::AddStaff(ECPerformance* performance, const std::string& name, const std::string& part,
                            int position, int count)
{
    PartParams params;
    MCPartBox::GetPartParams(part, params.staffType, params.clef, params.sharps, params.flats, params.mode,
                             params.program);
    std::string text = name.empty() ? part : name;
    if (text == "<Default>")
        text = "Track";
    if (count > 1)
        text += std::to_string(position);
    AddStaff(performance, text, params, position);
}

ECStaff* CAddStaffDlg::AddStaff(ECPerformance* performance, const std::string& text, const PartParams& part,
                                int position)
{
    MCCommandList adding;
    auto* add = static_cast<CCAddTrack*>(adding.GetCommand(CommandIds::CCAddTrack, &CCAddTrack::classObject));
    add->AddMidiTrack(static_cast<unsigned char>(part.staffType), 1);
    add->SetInsertPosition(position);
    adding.SetSynchronous(1);
    adding.Apply(performance);

    ECConductor* conductor = performance->GetConductor();
    auto* staff = dynamic_cast<ECStaff*>(conductor->GetTrack(1, position, 0));
    if (!staff)
        return nullptr;
    const int track = staff->GetTrack();
    const MCTime zero(0.0f);

    MCCommandList list(10);
    auto* label = new ECText(3, text);
    label->SetTime(&zero);
    label->SetVoiceTrack(0, track);
    static_cast<CCAdd*>(list.GetCommand(CommandIds::CCAdd, &CCAdd::classObject))->Add(label, staff, FCMidi::MidiNull());

    ECMeasure* firstMeasure = conductor->GetMeasure(track, 1);
    if (part.staffType != 1) {
        ECClef* existing = staff->GetClefAtTime(zero, 0);
        if (existing && *existing->GetTime() == zero) {
            auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
            if (auto* copy = dynamic_cast<ECClef*>(edit->EditEvent(existing)->GetNewEvent()))
                copy->SetClefType(static_cast<unsigned char>(part.clef));
        } else if (firstMeasure) {
            auto* fresh = new ECClef(static_cast<unsigned char>(part.clef));
            fresh->SetTime(&zero);
            fresh->SetVoiceTrack(0, track);
            list.AddTail(new CCAddClef(fresh, firstMeasure));
        }
    }
    if (part.sharps >= 0 && part.flats >= 0) {
        for (unsigned char hand = 0; hand < (part.staffType == 1 ? 2 : 1); ++hand) {
            ECKey* existing = staff->GetKeyAtTime(zero, hand);
            if (existing && *existing->GetTime() == zero) {
                auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
                if (auto* copy = dynamic_cast<ECKey*>(edit->EditEvent(existing)->GetNewEvent())) {
                    copy->SetNumSharps(static_cast<unsigned char>(part.sharps));
                    copy->SetNumFlats(static_cast<unsigned char>(part.flats));
                    copy->SetMode(part.mode);
                }
            } else if (firstMeasure) {
                auto* fresh = new ECKey(static_cast<unsigned char>(part.sharps), static_cast<unsigned char>(part.flats),
                                        static_cast<unsigned char>(part.mode));
                fresh->SetHand(hand);
                fresh->SetTime(&zero);
                fresh->SetVoiceTrack(hand * 5, track);
                list.AddTail(new CCAddKey(fresh, firstMeasure));
            }
        }
    }
    auto* data = dynamic_cast<DCsqStaff*>(staff->GetData(0, 1));
    if (part.program >= 0) {
        CMidiEnvelopeMgr* envelopes = data ? data->GetMidiEnvelopeMgr(0, 1) : nullptr;
        ECPatchEnv* patches = envelopes ? envelopes->GetPatchEnv(1) : nullptr;
        if (!patches)
            return staff;
        const float value = ECPatchEnv::MakePatchValue(0, 0, static_cast<unsigned char>(part.program & 0x7F));
        if (ECEnvPoint* point = patches->GetPointAt(zero)) {
            auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
            if (auto* copy = dynamic_cast<ECEnvPoint*>(edit->EditEvent(point)->GetNewEvent()))
                copy->SetValue(value);
        } else {
            auto* change = new ECProgramChange;
            change->SetTime(&zero);
            change->SetValue(value);
            change->SetVoiceTrack(0, patches->GetTrack());
            static_cast<CCAddEnvPoint*>(list.GetCommand(CommandIds::CCAddEnvPoint, &CCAddEnvPoint::classObject))
                ->Add(change, patches, FCMidi::MidiNull());
        }
    }
    // Drums sound on the tenth channel.
    if (part.staffType == 3 && data) {
        auto* edit = static_cast<CCEditData*>(list.GetCommand(CommandIds::CCEditData, &CCEditData::classObject));
        if (auto* copy = dynamic_cast<DCsqStaff*>(edit->EditData(data, 0)->GetNewData())) {
            for (int voice = 0; voice < 8; ++voice) {
                if (MCVoiceMap* map = copy->GetVoiceMap(voice))
                    map->SetChannel(9);
            }
        }
    }
    list.SetSynchronous(1);
    list.Apply(performance);
    SendPatch(staff);
    return staff;
}

void CAddStaffDlg::SendPatch(ECStaff* staff)
{
    auto* data = dynamic_cast<DCsqStaff*>(staff->GetData(0, 0));
    MCVoiceMap* map = data ? data->GetVoiceMap(0) : nullptr;
    CMidiEnvelopeMgr* envelopes = map ? data->GetMidiEnvelopeMgr(0, 1) : nullptr;
    ECPatchEnv* patches = envelopes ? envelopes->GetPatchEnv(1) : nullptr;
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!patches || !wavegate)
        return;
    float value = 0.0f;
    patches->GetValue(MCTime(0.0f), value, 1);
    const auto control = [](uint32_t status, uint32_t first, uint32_t second) {
        return status | (first & 0x7F) << 8 | (second & 0x7F) << 16;
    };
    const uint32_t channel = map->GetChannel() & 0x0F;
    const int device = static_cast<int>(map->GetDevice());
    wavegate->SendMidiMsg(device, control(0xB0 | channel, 120, 0), 0);
    wavegate->SendMidiMsg(device, control(0xB0 | channel, 0, uint32_t(ECPatchEnv::GetBankMSB(value))), 0);
    wavegate->SendMidiMsg(device, control(0xB0 | channel, 32, uint32_t(ECPatchEnv::GetBankLSB(value))), 0);
    wavegate->SendMidiMsg(device, control(0xC0 | channel, uint32_t(ECPatchEnv::GetProgram(value)), 0), 0);
}
