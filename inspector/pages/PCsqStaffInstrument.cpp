#include "inspector/pages/PCsqStaffInstrument.h"

#include "inspector/pages/CAuditionWnd.h"
#include "inspector/pages/CChanBox.h"
#include "inspector/pages/CPatchListCtrl.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/dialogs/MCDeviceProperties.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCProgramTree.h"
#include "notabase/actions/ACBase.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECStaff.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/commands/CCEditPatch.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/transport/CSequence.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <set>

PLAT_IMPLEMENT_DYNCREATE(PCsqStaffInstrument, MCInspectorPage)

namespace {

constexpr const char* kPrefs = "Components\\Inspector\\Staff\\Instrument";
constexpr const char* kPlayPrefs = "Sequencer\\Midi\\Play";
constexpr int kStaffKind = 1;

// A place in the layout that a control of the library takes over.
QWidget* placeholder(QWidget* parent, int id)
{
    auto* widget = new QWidget(parent);
    plat::ui::setItemId(widget, id);
    return widget;
}

QLabel* caption(const char* text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setBuddy(buddy);
    return label;
}

// The voice of a patch change: 15 once converted for playback.
int pointVoice(ECEnvPoint* point)
{
    MCVoiceTrack* word = point->GetVoiceTrack();
    return word ? word->GetVoice() : MCVoiceTrack::noVoice;
}

// Looks through everything under a track (tuplets and other groups included) for a note or
// grace note of one voice, and stops at the first.
class VoiceNoteFinder : public ACBase {
public:
    explicit VoiceNoteFinder(int voice) : m_voice(voice) {}
    int DoAction(ECBase* element) override
    {
        const int type = element->GetEventId();
        if (type != EventId::Note && type != EventId::GraceNote)
            return 0;
        if (element->GetVoice() != m_voice)
            return 1;
        m_found = true;
        return 2;
    }
    bool Found() const { return m_found; }

private:
    int m_voice;
    bool m_found = false;
};

QString timeText(const MCTime& time)
{
    std::string text;
    MCTimeEdit::FormatTimeString(text, time, 1, 0, 0);
    return QString::fromStdString(text);
}

}  // namespace

PCsqStaffInstrument::PCsqStaffInstrument() : m_pInfo(&m_info[0])
{
    setWindowTitle("&Instrument");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    QWidget* deviceSlot = placeholder(this, kDevice);
    QWidget* channelSlot = placeholder(this, kChannel);
    m_voiceBox = new QComboBox(this);
    plat::ui::setItemId(m_voiceBox, kVoice);
    m_voiceBox->addItem("All");
    for (int voice = 1; voice <= 8; ++voice)
        m_voiceBox->addItem(QString::number(voice));
    grid->addWidget(caption("&Device:", deviceSlot, this), 0, 0);
    grid->addWidget(deviceSlot, 0, 1, 1, 3);
    grid->addWidget(caption("&Channel:", channelSlot, this), 1, 0);
    grid->addWidget(channelSlot, 1, 1);
    grid->addWidget(caption("&Voice:", m_voiceBox, this), 1, 2);
    grid->addWidget(m_voiceBox, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    auto* findRow = new QHBoxLayout;
    m_menuButton = new MCMenuButton(this);
    plat::ui::setItemId(m_menuButton, kPatchMenu);
    m_menuButton->setText("Patch");
    m_find = new QLineEdit(this);
    plat::ui::setItemId(m_find, kFind);
    m_find->setPlaceholderText("Find");
    findRow->addWidget(m_menuButton);
    findRow->addWidget(m_find, 1);
    layout->addLayout(findRow);
    QWidget* treeSlot = placeholder(this, kTree);
    layout->addWidget(treeSlot, 1);

    auto* listRow = new QHBoxLayout;
    m_listButton = new QPushButton("List   >>", this);
    plat::ui::setItemId(m_listButton, kList);
    listRow->addStretch(1);
    listRow->addWidget(m_listButton);
    layout->addLayout(listRow);
    auto* line = new QFrame(this);
    plat::ui::setItemId(line, kLine);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    // The patch list editor, shown by "List".
    m_advancedPanel = new QWidget(this);
    auto* advanced = new QVBoxLayout(m_advancedPanel);
    advanced->setContentsMargins(0, 0, 0, 0);
    auto* timeRow = new QHBoxLayout;
    QWidget* timeSlot = placeholder(m_advancedPanel, kTime);
    auto* newSlot = new QPushButton("PATCHNEW", m_advancedPanel);
    plat::ui::setItemId(newSlot, kNewPatch);
    auto* deleteSlot = new QPushButton("PATCHDELETE", m_advancedPanel);
    plat::ui::setItemId(deleteSlot, kDeletePatch);
    timeRow->addWidget(caption("&Time:", timeSlot, m_advancedPanel));
    timeRow->addWidget(timeSlot, 1);
    timeRow->addWidget(newSlot);
    timeRow->addWidget(deleteSlot);
    advanced->addLayout(timeRow);
    QWidget* listSlot = placeholder(m_advancedPanel, kPatchList);
    advanced->addWidget(listSlot, 1);
    layout->addWidget(m_advancedPanel, 1);
    m_advancedPanel->hide();

    m_deviceBox = new MCDeviceBox(this);
    m_deviceBox->SubclassDeviceBox(kDevice, this, MCDeviceLabels::midiOutInstruments, -1);
    m_chanBox = new CChanBox(this);
    m_chanBox->SubclassChanBox(kChannel, this);
    m_tree = new MCProgramTree(this);
    m_tree->SubclassProgramTree(kTree, this);
    m_timeEdit = new MCTimeEdit(m_advancedPanel);
    m_timeEdit->SubclassTimeEdit(kTime, m_advancedPanel, 1, MCSpinEdit::kVisibleSpin);
    m_patchList = new CPatchListCtrl(m_advancedPanel);
    m_patchList->SubclassPatchList(kPatchList, m_advancedPanel);
    m_newButton = new MCButton(m_advancedPanel);
    m_deleteButton = new MCButton(m_advancedPanel);
    for (MCButton* button : {m_newButton, m_deleteButton}) {
        button->AutoLoad(button == m_newButton ? kNewPatch : kDeletePatch, m_advancedPanel);
        button->SetTransparentColor(0xFF0000);
        button->SetButtonStyle(MCBitmapButtonBase::Push);
        button->SetButtonMode(1);
        button->SetDisabledState(2);
    }

    m_deviceBox->setToolTip("List of available Midi playback devices");
    m_chanBox->setToolTip("Select Midi channel for playback");
    m_voiceBox->setToolTip("Select voice to change");
    m_menuButton->setToolTip("Instrument Display Options");
    m_find->setToolTip("Find text in instrument list");
    m_listButton->setToolTip("Toggle Patch List Editor");
    m_newButton->setToolTip("New Patch");
    m_deleteButton->setToolTip("Delete Patch");
    m_patchList->setToolTip("Time-ordered list of patches");

    // Only what the user does counts as a change: the page's own loading uses no signal.
    connect(m_deviceBox, &QComboBox::activated, this, [this] { OnChangeDevice(); });
    connect(m_chanBox, &QComboBox::activated, this, [this] { OnChangeChannel(); });
    connect(m_voiceBox, &QComboBox::activated, this, [this] { OnChangeVoice(); });
    connect(m_find, &QLineEdit::textEdited, this, [this] { OnUpdateFind(); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_bLoading)
            OnChangeProgram();
    });
    connect(m_patchList, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!m_bLoading)
            OnPatchSelect();
    });
    connect(m_listButton, &QPushButton::clicked, this, [this] { OnAdvanced(); });
    m_find->installEventFilter(this);

    m_menu = std::make_unique<QMenu>();
    const struct {
        int id;
        const char* text;
    } items[] = {
        {kAudition, "&Audition..."},     {kDeviceProps, "&Device Properties..."}, {0, nullptr},
        {kShowBank, "Show Bank &Number"}, {kShowProg, "Show &Program Change"},    {0, nullptr},
        {kGroupByBank, "Group by &Bank"}, {kGroupByType, "Group by &Type"},       {0, nullptr},
        {kExpandAll, "&Expand All"},
    };
    for (const auto& item : items) {
        if (!item.text) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        action->setCheckable(item.id != kDeviceProps);
    }
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { OnInitMenuPopup(); });
}

PCsqStaffInstrument::~PCsqStaffInstrument()
{
    OnDestroy();
}

void PCsqStaffInstrument::OnDestroy()
{
    if (m_audition) {
        m_audition->Detach();
        m_audition.reset();
    }
    if (IsInitialized())
        SaveOptions();
}

void PCsqStaffInstrument::PostNcDestroy()
{
    OnDestroy();
    MCInspectorPage::PostNcDestroy();
}

void PCsqStaffInstrument::SaveOptions() const
{
    SaveIntPreference(kPrefs, "Audition", HasFlag(flagAudition) ? 1 : 0);
    SaveIntPreference(kPrefs, "Expanded", HasFlag(flagExpandAll) ? 1 : 0);
    SaveIntPreference(kPrefs, "Style", m_tree->GetDisplayStyle());
    SaveIntPreference(kPrefs, "ShowProg", m_tree->GetShowProg() ? 1 : 0);
    SaveIntPreference(kPrefs, "ShowBank", m_tree->GetShowBank() ? 1 : 0);
}

void PCsqStaffInstrument::SetFlag(uint8_t flag, bool on)
{
    m_flags = static_cast<uint8_t>(on ? (m_flags | flag) : (m_flags & ~flag));
}

int PCsqStaffInstrument::DefaultDevice()
{
    return LoadIntPreference(kPlayPrefs, "Default Device", 0);
}

bool PCsqStaffInstrument::PlayDefaultDevice()
{
    return LoadIntPreference(kPlayPrefs, "Play Default Device", 0) != 0;
}

int PCsqStaffInstrument::ShownDevice() const
{
    const int device = m_pInfo->GetDevice();
    return device < 0 ? DefaultDevice() : device;
}

void PCsqStaffInstrument::SetDocument(MCOpusDoc* document)
{
    MCInspectorPage::SetDocument(document);
    m_pSequence = document ? document->GetSequence() : nullptr;
    m_pPerformance = document ? document->GetBaseEvent() : nullptr;
    m_chanBox->SetSequence(m_pSequence);
    m_patchList->SetDocument(document);
}

bool PCsqStaffInstrument::InitPage()
{
    if (!MCInspectorPage::InitPage())
        return false;
    SetFlag(flagExpandPending, false);
    SetFlag(flagAudition, LoadIntPreference(kPrefs, "Audition", 0) != 0);
    SetFlag(flagExpandAll, LoadIntPreference(kPrefs, "Expanded", 0) != 0);
    m_menuButton->SetMenu(m_menu.get());
    m_tree->ClearCache();
    m_tree->SetDisplayStyle(LoadIntPreference(kPrefs, "Style", 0) == 1 ? MCProgramTree::byBanks : MCProgramTree::byGroups);
    m_tree->SetShowProg(LoadIntPreference(kPrefs, "ShowProg", 1) != 0);
    m_tree->SetShowBank(LoadIntPreference(kPrefs, "ShowBank", 0) != 0);
    if (!m_audition)
        m_audition = std::make_unique<CAuditionWnd>();
    m_audition->Attach(this);
    Audition(HasFlag(flagAudition));
    m_timeEdit->setEnabled(false);
    SetAdvanced(false);
    return true;
}

void PCsqStaffInstrument::UpdatePage()
{
    MCInspectorPage::UpdatePage();
    m_track = kNoTrack;
    bool first = true;
    if (MCEventList* list = GetEventList()) {
        for (ECBase* element : *list) {
            if (element->GetEventId() != EventId::Staff)
                continue;
            if (first)
                m_track = element->GetTrack();
            else if (element->GetTrack() != m_track)
                m_track = kNoTrack;
            first = false;
        }
    }
    // Each refresh merges afresh: nothing seen on another selection, or changed before the
    // last Apply, stays behind.
    for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
        CVoiceInfo& info = m_info[static_cast<size_t>(voice)];
        info.Reset();
        info.SetVoice(voice);
        info.UpdateInfo(GetEventList());
    }
}

void PCsqStaffInstrument::DoDataExchange(plat::ui::DataExchange& exchange)
{
    MCInspectorPage::DoDataExchange(exchange);
    if (exchange.saving()) {
        if (m_voice == kAllVoices) {
            // Every voice takes what "All" shows, each keeping its own voice number.
            for (int voice = 1; voice < DCsqTrack::voiceCount; ++voice) {
                CVoiceInfo& info = m_info[static_cast<size_t>(voice)];
                info = m_info[0];
                info.SetVoice(voice);
            }
        }
        return;
    }
    m_voiceBox->setCurrentIndex(m_voice == kAllVoices ? 0 : m_voice + 1);
    m_deviceBox->LoadDevices();
    const int device = m_pInfo->GetDevice();
    m_deviceBox->SetSelectedDevice(PlayDefaultDevice() ? DefaultDevice() : device);
    // While a patch change is placed or edited, its output is the voice's own.
    EnableOutputControls(!HasFlag(flagNewPatch) && !HasFlag(flagPatchSelected));
    m_chanBox->SetVoiceTrack(m_voice, m_track);
    m_chanBox->SetDevChan(ShownDevice(), m_pInfo->GetChannel());
    m_chanBox->setCurrentIndex(m_pInfo->GetChannel());
    UpdateInstrument(false);
    UpdatePatchInfo(HasFlag(flagAdvanced));
}

QSize PCsqStaffInstrument::GetSize()
{
    if (QLayout* own = layout())
        own->activate();
    return sizeHint().expandedTo(minimumSizeHint());
}

void PCsqStaffInstrument::UpdateInstrument(bool send)
{
    const int device = m_pInfo->GetDevice();
    const int channel = m_pInfo->GetChannel();
    const int bank = m_pInfo->GetBank();
    const int program = m_pInfo->GetProgram();
    const std::string& file = m_pInfo->GetInstrumentFile();
    m_bLoading = true;
    m_tree->setUpdatesEnabled(false);
    m_tree->LoadInstrument(file, bank, program);
    m_bLoading = false;
    if (!file.empty() && bank != -1 && program != -1) {
        if (QTreeWidgetItem* item = m_tree->currentItem())
            m_tree->scrollToItem(item);
        if (m_audition) {
            if (QTreeWidgetItem* item = m_tree->currentItem())
                m_audition->SetInfo(item->text(0).toStdString());
            m_audition->SetDevChan(device < 0 ? DefaultDevice() : device, std::max(channel, 0));
            RefreshAudition();
        }
        // A refresh stays silent: only the user's own choice is sent, so nothing that plays
        // is cut off by looking at a staff.
        if (send)
            m_pInfo->SendProgram(GetEventList());
    }
    if (HasFlag(flagExpandAll) && !HasFlag(flagExpandPending)) {
        SetFlag(flagExpandPending, true);
        QTimer::singleShot(0, this, [this] { onNotice(kExpandAll, 0, nullptr); });
    }
    m_tree->setUpdatesEnabled(true);
    m_tree->viewport()->update();
}

void PCsqStaffInstrument::RefreshAudition()
{
    if (m_audition && m_audition->isVisible())
        m_audition->updateData(false);
}

void PCsqStaffInstrument::ShowInstrument(ECEnvPoint* point)
{
    if (!point)
        return;
    SetFlag(flagDisplaying, true);
    const float value = point->GetValue();
    const int bank = ECPatchEnv::GetBankMSB(value) << 7 | ECPatchEnv::GetBankLSB(value);
    m_bLoading = true;
    m_tree->LoadInstrument(m_pInfo->GetInstrumentFile(), bank, ECPatchEnv::GetProgram(value));
    m_bLoading = false;
    SetFlag(flagDisplaying, false);
}

ECBase* PCsqStaffInstrument::SharedStaff() const
{
    if (m_track == kNoTrack || !GetEventList())
        return nullptr;
    for (ECBase* element : *GetEventList())
        if (element->GetEventId() == EventId::Staff && element->GetTrack() == m_track)
            return element;
    return nullptr;
}

void PCsqStaffInstrument::UpdatePatchInfo(bool refill)
{
    ECBase* staff = GetDocument() ? SharedStaff() : nullptr;
    DCsqStaff* data = CVoiceInfo::StaffData(staff);
    const int voice = m_voice == kAllVoices ? 0 : m_voice;
    // The envelope is made by the first change placed, inside its command.
    m_bPatchEdit = data && data->GetVoiceMap(voice);
    if (!refill)
        return;
    m_newButton->setEnabled(m_bPatchEdit && !HasFlag(flagNewPatch));
    m_deleteButton->setEnabled(false);
    FillPatchList();
}

void PCsqStaffInstrument::FillPatchList()
{
    m_bLoading = true;
    m_patchList->DeleteAllItems();
    m_bLoading = false;
    DCsqStaff* data = CVoiceInfo::StaffData(SharedStaff());
    if (!data)
        return;
    const bool all = m_voice == kAllVoices;
    MCEventList points;
    std::set<ECEnvPoint*> seen;
    bool otherVoices = false;
    for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
        if (!all && voice != m_voice)
            continue;
        ECEnvelope* envelope = data->GetEnvelope(DCsqStaff::envPatch, 0, voice, -1, -1);
        if (!envelope)
            continue;
        for (int index = 0; index < envelope->GetPointCount(); ++index) {
            ECEnvPoint* point = envelope->GetPointAtIndex(index);
            const int type = point ? point->GetEventId() : -1;
            if (type != EventId::ProgramChange && type != EventId::EnvPoint)
                continue;
            if (!all && pointVoice(point) != m_voice)
                continue;
            // Voices on one output share their envelope: each change is listed once.
            if (!seen.insert(point).second)
                continue;
            otherVoices = otherVoices || pointVoice(point) != 0;
            points.AddEvent(point, 1);
        }
    }
    m_bLoading = true;
    for (ECBase* element : points) {
        auto* point = static_cast<ECEnvPoint*>(element);
        const float value = point->GetValue();
        std::string group, name;
        MCProgramTree::GetPatchName(m_pInfo->GetInstrumentFile(),
                                    ECPatchEnv::GetBankMSB(value) << 7 | ECPatchEnv::GetBankLSB(value),
                                    ECPatchEnv::GetProgram(value), group, name, 0, false, false);
        QString text = QString::fromStdString(name);
        if (all && otherVoices)
            text += QString(" (voice %1)").arg(pointVoice(point) + 1);
        m_patchList->AddPoint(point, timeText(*point->GetTime()), text);
    }
    m_bLoading = false;
}

void PCsqStaffInstrument::EnableOutputControls(bool enable)
{
    m_deviceBox->setEnabled(enable && !PlayDefaultDevice());
    m_chanBox->setEnabled(enable);
    m_voiceBox->setEnabled(enable);
}

void PCsqStaffInstrument::SetAdvanced(bool advanced)
{
    if (HasFlag(flagAdvanced) == advanced)
        return;
    SetFlag(flagAdvanced, advanced);
    if (advanced) {
        UpdatePatchInfo(true);
        m_timeEdit->setEnabled(false);
        m_deleteButton->setEnabled(false);
        m_newButton->setEnabled(m_bPatchEdit);
        m_advancedPanel->show();
        m_listButton->setText("List  <<");
    } else {
        m_advancedPanel->hide();
        m_listButton->setText("List  >>");
        EnableOutputControls(true);
        SetFlag(flagNewPatch, false);
        SetFlag(flagPatchSelected, false);
    }
    plat::ui::notifyParent(this, kPageActivated);
}

void PCsqStaffInstrument::SelectVoice(const QString& text, bool reverse, bool exact)
{
    const int relation = reverse ? MCProgramTree::previousVisible : MCProgramTree::nextVisible;
    QTreeWidgetItem* found = m_tree->GetNextItemWithString(text, m_tree->currentItem(), relation, exact);
    if (!found)
        found = m_tree->GetNextItemWithString(text, nullptr, relation, exact);
    // When nothing shown matches, the closed groups are looked through: among the shown items
    // only, "violin" would stay on the first voice that held "vi".
    if (!found)
        found = m_tree->FindInAllGroups(text, m_tree->currentItem(), reverse, exact);
    if (found) {
        m_tree->setCurrentItem(found);
        m_tree->scrollToItem(found);
    }
}

void PCsqStaffInstrument::Audition(bool show)
{
    if (!m_audition)
        return;
    if (show) {
        m_audition->SetDevChan(ShownDevice(), std::max(m_pInfo->GetChannel(), 0));
        m_audition->show();
        m_audition->updateData(false);
    } else {
        m_audition->hide();
    }
}

void PCsqStaffInstrument::Expand(bool expand)
{
    m_tree->ExpandAll(expand);
}

void PCsqStaffInstrument::UpdateEvents()
{
    m_bPatchWritten = false;
    MCInspectorPage::UpdateEvents();
    // The change placed or edited was written once for the whole selection.
    SetFlag(flagNewPatch, false);
    SetFlag(flagPatchSelected, false);
    m_timeEdit->setEnabled(false);
}

void PCsqStaffInstrument::UpdateEvent(ECBase* event, MCCommandList& commands)
{
    if (!event || event->GetEventId() != EventId::Staff)
        return;
    MCInspectorPage::UpdateEvent(event, commands);
    auto* staff = static_cast<ECStaff*>(event);
    if (HasFlag(flagNewPatch) || HasFlag(flagPatchSelected)) {
        // The list shows the shared track's changes: they are written once, through its staff.
        if (m_bPatchWritten || event != SharedStaff())
            return;
        m_bPatchWritten = true;
        const MCTime time = m_timeEdit->GetTimeValue();
        const int voice = m_pInfo->GetVoice();
        auto* edit = static_cast<CCEditPatch*>(commands.GetCommand(CommandIds::CCEditPatch, plat::runtimeClassOf<CCEditPatch>()));
        if (HasFlag(flagNewPatch)) {
            // A change at a time that has one already edits that one.
            CCEditPatchItem* item = edit->EditPatch(staff, voice, time);
            item->SetPatch(m_pInfo->GetProgram(), m_pInfo->GetBank());
            return;
        }
        const std::vector<ECEnvPoint*> selected = m_patchList->GetSelectedPoints();
        if (selected.empty())
            return;
        ECEnvPoint* point = selected.front();
        const MCTime at = *point->GetTime();
        const float value = point->GetValue();
        const MCProgramEntry* entry = m_tree->GetEntry(m_tree->currentItem());
        if (entry) {
            const int bank = entry->GetMidiBank();
            const float chosen = ECPatchEnv::MakePatchValue(static_cast<unsigned char>((bank >> 7) & 127),
                                                            static_cast<unsigned char>(bank & 127), entry->GetProgram());
            if (chosen != value)
                edit->EditPatch(staff, pointVoice(point), at)->SetPatch(entry->GetProgram(), bank);
        }
        if (time != at) {
            auto* move = static_cast<CCEditTime*>(commands.GetCommand(CommandIds::CCEditTime, plat::runtimeClassOf<CCEditTime>()));
            move->EditTime(point, &time);
        }
        return;
    }
    for (const CVoiceInfo& info : m_info)
        info.UpdateEvent(event, commands);
}

bool PCsqStaffInstrument::OnQueryCancel()
{
    SetFlag(flagNewPatch, false);
    SetFlag(flagPatchSelected, false);
    m_timeEdit->setEnabled(false);
    return MCInspectorPage::OnQueryCancel();
}

void PCsqStaffInstrument::onNotice(int id, int code, QWidget*)
{
    switch (id) {
    case kAudition: OnAudition(); break;
    case kDeviceProps: OnDeviceProps(); break;
    case kShowProg: OnShowProg(); break;
    case kShowBank: OnShowBank(); break;
    case kGroupByType:
    case kGroupByBank: OnDisplayStyle(id); break;
    case kExpandAll: OnExpand(); break;
    case kNewPatch: OnPatchNew(); break;
    case kDeletePatch: OnPatchDelete(); break;
    case kTime:
        if (code == MCTimeEdit::kNotice)
            OnChangeTime();
        break;
    default: break;
    }
}

bool PCsqStaffInstrument::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == m_find && (type == QEvent::KeyPress || type == QEvent::ShortcutOverride)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter finds the next instrument; it does not apply the page. The sheet asks first
        // (as a shortcut override) whether the box takes it.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (type == QEvent::ShortcutOverride)
                event->accept();
            else
                OnUpdateFind();
            return true;
        }
    }
    return MCInspectorPage::eventFilter(watched, event);
}

void PCsqStaffInstrument::OnChangeDevice()
{
    m_pInfo->SetDevice(m_deviceBox->GetSelectedDevice());
    if (const MCProgramEntry* entry = m_tree->GetEntry(m_tree->currentItem())) {
        m_pInfo->SetBank(entry->GetMidiBank());
        m_pInfo->SetProgram(entry->GetProgram());
        m_pInfo->SendProgram(GetEventList());
        if (m_audition)
            m_audition->SetDevChan(ShownDevice(), std::max(m_pInfo->GetChannel(), 0));
        RefreshAudition();
    }
    updateData(false);
    SetModifiedFlag(true);
}

void PCsqStaffInstrument::OnChangeChannel()
{
    m_pInfo->SetChannel(m_chanBox->currentIndex());
    m_chanBox->SetDevChan(ShownDevice(), m_pInfo->GetChannel());
    UpdateInstrument(true);
    SetModifiedFlag(true);
}

void PCsqStaffInstrument::OnChangeVoice()
{
    const int index = m_voiceBox->currentIndex();
    m_voice = index <= 0 ? kAllVoices : index - 1;
    m_pInfo = &m_info[static_cast<size_t>(index <= 0 ? 0 : index - 1)];
    updateData(false);
}

void PCsqStaffInstrument::OnUpdateFind()
{
    SelectVoice(m_find->text(), QApplication::keyboardModifiers() & Qt::ShiftModifier, false);
}

void PCsqStaffInstrument::OnChangeProgram()
{
    QTreeWidgetItem* item = m_tree->currentItem();
    const MCProgramEntry* entry = m_tree->GetEntry(item);
    if (!entry)
        return;
    m_pInfo->SetBank(entry->GetMidiBank());
    m_pInfo->SetProgram(entry->GetProgram());
    m_pInfo->SendProgram(GetEventList());
    if (m_audition) {
        m_audition->SetInfo(item->text(0).toStdString());
        RefreshAudition();
    }
    if (!HasFlag(flagDisplaying))
        SetModifiedFlag(true);
}

void PCsqStaffInstrument::OnPatchSelect()
{
    const std::vector<ECEnvPoint*> selected = m_patchList->GetSelectedPoints();
    SetFlag(flagPatchSelected, !selected.empty());
    if (selected.empty()) {
        m_timeEdit->setEnabled(HasFlag(flagNewPatch));
        m_deleteButton->setEnabled(false);
        if (!HasFlag(flagNewPatch))
            EnableOutputControls(true);
        return;
    }
    SetFlag(flagNewPatch, false);
    ECEnvPoint* point = selected.front();
    const MCTime time = *point->GetTime();
    m_timeEdit->SetTimeValue(time);
    if (time == MCTime()) {
        // The first patch of a voice stays at the start; only a voice other than the first,
        // with no notes left on the track, can lose it.
        m_timeEdit->setEnabled(false);
        const int voice = pointVoice(point);
        m_deleteButton->setEnabled(voice != 0 && !VoiceHasNotes(voice));
    } else {
        m_timeEdit->setEnabled(true);
        m_deleteButton->setEnabled(true);
    }
    EnableOutputControls(false);
    ShowInstrument(point);
}

bool PCsqStaffInstrument::VoiceHasNotes(int voice) const
{
    ECConductor* conductor = m_pPerformance ? m_pPerformance->GetConductor() : nullptr;
    ECBase* track = conductor ? conductor->GetTrack(kStaffKind, m_track, 0) : nullptr;
    if (!track)
        return false;
    VoiceNoteFinder finder(voice);
    finder.Apply(track);
    return finder.Found();
}

void PCsqStaffInstrument::OnChangeTime()
{
    SetModifiedFlag(true);
}

void PCsqStaffInstrument::OnAudition()
{
    SetFlag(flagAudition, !HasFlag(flagAudition));
    SaveOptions();
    Audition(HasFlag(flagAudition));
}

void PCsqStaffInstrument::OnAuditionClose()
{
    SetFlag(flagAudition, false);
    SaveOptions();
    Audition(false);
}

void PCsqStaffInstrument::OnDeviceProps()
{
    MCDeviceProperties dialog(this);
    if (dialog.DoDevice(ShownDevice()) == QDialog::Accepted)
        SetModifiedFlag(true);
}

void PCsqStaffInstrument::OnShowProg()
{
    m_tree->SetShowProg(!m_tree->GetShowProg());
    SaveOptions();
    m_tree->Refresh();
    updateData(false);
}

void PCsqStaffInstrument::OnShowBank()
{
    m_tree->SetShowBank(!m_tree->GetShowBank());
    SaveOptions();
    m_tree->Refresh();
    updateData(false);
}

void PCsqStaffInstrument::OnDisplayStyle(int id)
{
    m_tree->SetDisplayStyle(id == kGroupByType ? MCProgramTree::byGroups : MCProgramTree::byBanks);
    SaveOptions();
    m_tree->Refresh();
    updateData(false);
}

void PCsqStaffInstrument::OnExpand()
{
    if (HasFlag(flagExpandPending)) {
        SetFlag(flagExpandPending, false);
        Expand(true);
        return;
    }
    SetFlag(flagExpandAll, !HasFlag(flagExpandAll));
    SaveOptions();
    Expand(HasFlag(flagExpandAll));
}

void PCsqStaffInstrument::OnAdvanced()
{
    SetAdvanced(!HasFlag(flagAdvanced));
}

void PCsqStaffInstrument::OnPatchNew()
{
    SetFlag(flagPatchSelected, false);
    SetFlag(flagNewPatch, true);
    m_timeEdit->setEnabled(true);
    m_deleteButton->setEnabled(false);
    m_newButton->setEnabled(false);
    EnableOutputControls(false);
    m_bLoading = true;
    m_patchList->clearSelection();
    m_bLoading = false;
    m_timeEdit->SetTimeValue(MCTime());
    // Placing a change is itself a change to apply.
    SetModifiedFlag(true);
}

void PCsqStaffInstrument::OnPatchDelete()
{
    const std::vector<ECEnvPoint*> selected = m_patchList->GetSelectedPoints();
    if (selected.empty() || !m_pPerformance)
        return;
    MCEventList points;
    for (ECEnvPoint* point : selected)
        points.AddTail(point);
    MCCommandList commands;
    ConfigureRemove(&points, commands);
    // An envelope goes with its points only when every one of them goes.
    if (DCsqStaff* data = CVoiceInfo::StaffData(SharedStaff())) {
        for (ECEnvPoint* point : selected) {
            ECEnvelope* envelope = data->GetEnvelope(DCsqStaff::envPatch, 0, pointVoice(point), -1, -1);
            if (!envelope)
                continue;
            int going = 0;
            for (ECEnvPoint* other : selected)
                if (envelope->GetIndexForPoint(other) >= 0)
                    ++going;
            if (going >= envelope->GetPointCount()) {
                auto* remove = static_cast<CCRemove*>(commands.GetCommand(CommandIds::CCRemove, plat::runtimeClassOf<CCRemove>()));
                remove->Remove(envelope);
            }
        }
    }
    MCCommandMgr::BeginUndo(m_pPerformance, "Delete Patches");
    commands.Apply(m_pPerformance);
    MCCommandMgr::EndUndo(m_pPerformance);
    if (MCOpusDoc* document = GetDocument())
        document->SetModifiedFlag(1);
    SetFlag(flagPatchSelected, false);
    m_timeEdit->setEnabled(false);
    EnableOutputControls(true);
    UpdatePatchInfo(true);
}

void PCsqStaffInstrument::OnInitMenuPopup()
{
    for (QAction* action : m_menu->actions()) {
        switch (action->data().toInt()) {
        case kAudition: action->setChecked(HasFlag(flagAudition)); break;
        case kShowProg: action->setChecked(m_tree->GetShowProg()); break;
        case kShowBank: action->setChecked(m_tree->GetShowBank()); break;
        case kGroupByType: action->setChecked(m_tree->GetDisplayStyle() == MCProgramTree::byGroups); break;
        case kGroupByBank: action->setChecked(m_tree->GetDisplayStyle() == MCProgramTree::byBanks); break;
        case kExpandAll: action->setChecked(HasFlag(flagExpandAll)); break;
        default: break;
        }
    }
}
