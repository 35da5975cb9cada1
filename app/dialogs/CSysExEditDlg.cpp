#include "app/dialogs/CSysExEditDlg.h"

#include "app/core/AppStrings.h"
#include "app/dialogs/CSysExFile.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/core/MCPaths.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/commands/CCAddSysEx.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/RefPtr.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/data/DCsqSysMsg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

QFont fontFrom(const plat::FontDescription& description)
{
    QFont font(QString::fromStdString(description.faceName));
    font.setStyleHint(QFont::Monospace);
    // A negative height is the character height in pixels.
    font.setPixelSize(std::max(1, std::abs(description.height)));
    font.setBold(description.weight >= 700);
    font.setItalic(description.italic);
    return font;
}

// The part of a prompt string after its newline, or all of it when it has none.
QString tipOf(uint32_t id)
{
    const std::string prompt = AppStrings::text(id);
    const size_t newline = prompt.find('\n');
    return QString::fromStdString(newline == std::string::npos ? prompt : prompt.substr(newline + 1));
}

// The "|"-separated filter of the string table as the file dialogs take it.
std::string fileFilter()
{
    const QStringList parts = QString::fromStdString(AppStrings::text(AppStrings::sysExFileFilter)).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString pattern = parts[i + 1];
        pattern.replace("*.*", "*");
        QString name = parts[i];
        name.replace("(*.*)", "(*)");
        filters << name.section('(', 0, 0) + "(" + pattern + ")";
    }
    return filters.join(";;").toStdString();
}

std::string withNumber(uint32_t id, int number)
{
    const std::string format = AppStrings::text(id);
    const size_t at = format.find("%d");
    if (at == std::string::npos)
        return format;
    return format.substr(0, at) + std::to_string(number) + format.substr(at + 2);
}

// The sequencer data of a message, made when it has none.
DCsqSysMsg* sysExDataOf(ECSystemMessage* element)
{
    return element ? dynamic_cast<DCsqSysMsg*>(element->GetData(0, 1)) : nullptr;
}

}  // namespace

CSysExEditDlg::CSysExEditDlg(MCOpusDoc* doc, ECSystemMessage* element, QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_doc(doc), m_element(element), m_time(MCTime::TimeZero())
{
    setWindowTitle("System Exclusive Editor");
    if (m_element) {
        m_name = m_element->GetMessageName();
        if (const MCTime* at = m_element->GetTime())
            m_time = *at;
        m_prestart = m_time < MCTime::TimeZero() ? 1 : 0;
        if (const DCsqSysMsg* data = sysExDataOf(m_element))
            m_data = data->GetSysExData().ConvertToString();
    }

    auto* layout = new QGridLayout(this);
    auto* name = new QLineEdit(this);
    plat::ui::setItemId(name, kName);
    name->setToolTip(tipOf(AppStrings::sysExNameTip));
    auto* time = new MCTimeEdit(this);
    time->SetTimeFormat(1);
    plat::ui::setItemId(time, kTime);
    time->setToolTip(tipOf(AppStrings::sysExTimeTip));
    auto* prestart = new QCheckBox("Pre-Start Message", this);
    plat::ui::setItemId(prestart, kPrestart);
    connect(prestart, &QCheckBox::clicked, this, [this] { OnPrestart(); });
    auto* data = new QPlainTextEdit(this);
    plat::ui::setItemId(data, kData);
    data->setToolTip(tipOf(AppStrings::sysExDataTip));
    data->setFont(fontFrom(LoadFontPreference("Settings\\Font", "Fixed-Pitch Font", "Courier", -14, 0, 0, 0, 0)));
    data->setMinimumSize(360, 140);

    m_presets = new QMenu(this);
    const std::pair<int, const char*> presets[] = {{kSysExMessage, "Sys Ex Message"},
                                                   {kGMSystemOn, "GM System On"},
                                                   {kGMSystemOff, "GM System Off"},
                                                   {kGSReset, "GS Reset"},
                                                   {kXGSystemOn, "XG System On"}};
    for (const auto& preset : presets) {
        const int command = preset.first;
        QAction* action = m_presets->addAction(preset.second);
        action->setData(command);
        connect(action, &QAction::triggered, this, [this, command] { OnPreset(command); });
    }
    auto* add = new MCMenuButton(this);
    add->setText("&Add");
    add->SetMenu(m_presets);
    plat::ui::setItemId(add, kAdd);
    auto* import = new QPushButton("&Import", this);
    plat::ui::setItemId(import, kImport);
    connect(import, &QPushButton::clicked, this, [this] { OnImport(); });
    auto* exportButton = new QPushButton("&Export", this);
    plat::ui::setItemId(exportButton, kExport);
    connect(exportButton, &QPushButton::clicked, this, [this] { OnExport(); });

    const auto label = [this](const char* text, QWidget* buddy) {
        auto* created = new QLabel(text, this);
        created->setBuddy(buddy);
        return created;
    };
    layout->addWidget(label("&Name:", name), 0, 0);
    layout->addWidget(name, 0, 1, 1, 2);
    layout->addWidget(label("&Time:", time), 1, 0);
    layout->addWidget(time, 1, 1);
    layout->addWidget(prestart, 1, 2);
    layout->addWidget(label("&Data:", data), 2, 0, Qt::AlignTop);
    layout->addWidget(data, 2, 1, 1, 2);
    auto* tools = new QHBoxLayout;
    tools->addWidget(add);
    tools->addWidget(import);
    tools->addWidget(exportButton);
    tools->addStretch();
    layout->addLayout(tools, 3, 1, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSysExEditDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSysExEditDlg::reject);
    layout->addWidget(buttons, 4, 0, 1, 3);
    updateData(false);
}

CSysExEditDlg::~CSysExEditDlg() = default;

int CSysExEditDlg::Run(MCOpusDoc* doc, ECSystemMessage* element, QWidget* parent)
{
    CSysExEditDlg dialog(doc, element, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

void CSysExEditDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    dx.text(kName, m_name);
    DDX_MCTimeEdit(dx, kTime, m_time);
    dx.check(kPrestart, m_prestart);
    if (auto* data = dx.control<QPlainTextEdit>(kData)) {
        // Bytes typed or pasted over several lines, or with tabs, are as good as on one line.
        if (dx.saving())
            m_data = data->toPlainText().simplified().toStdString();
        else
            data->setPlainText(QString::fromStdString(m_data));
    }
    if (!dx.saving()) {
        if (QWidget* time = plat::ui::itemWidget(this, kTime))
            time->setEnabled(!m_prestart);
    }
}

void CSysExEditDlg::OnPreset(int command)
{
    updateData(true);
    FCMidiSysEx message;
    switch (command) {
    case kSysExMessage:
        m_name = "Sys Ex Message";
        message.ConvertFromString("f0 f7");
        break;
    case kGMSystemOn:
        m_name = "GM System On";
        message.SetGMSystemOn(127);
        break;
    case kGMSystemOff:
        m_name = "GM System Off";
        message.SetGMSystemOff(127);
        break;
    case kGSReset:
        m_name = "GS Reset";
        message.SetGSSystemOn(16);
        break;
    case kXGSystemOn:
        m_name = "XG System On";
        message.SetXGSystemOn(16);
        break;
    default:
        return;
    }
    m_data = message.ConvertToString();
    updateData(false);
}

void CSysExEditDlg::OnPrestart()
{
    updateData(true);
    m_time = m_prestart ? MCTime::TimeNull() : MCTime::TimeZero();
    updateData(false);
}

void CSysExEditDlg::OnImport()
{
    plat::ui::ModalHooks::FileRequest request;
    request.parent = this;
    request.caption = "Import";
    request.filter = fileFilter();
    const std::optional<std::string> path = plat::ui::ModalHooks::chooseFile(request);
    if (!path)
        return;
    updateData(true);
    FCMidiSysEx message;
    if (const int error = CSysExFile::Read(*path, message)) {
        reportFileError(AppStrings::sysExReadErrorTitle, AppStrings::sysExReadError, error);
        return;
    }
    m_time = MCTime::TimeZero();
    m_prestart = 0;
    m_data = message.ConvertToString();
    m_name = MCGetTitle(MCGetFileName(*path));
    updateData(false);
}

void CSysExEditDlg::OnExport()
{
    if (!updateData(true))
        return;
    plat::ui::ModalHooks::FileRequest request;
    request.parent = this;
    request.caption = "Export";
    request.filter = fileFilter();
    request.save = true;
    std::optional<std::string> path = plat::ui::ModalHooks::chooseFile(request);
    if (!path)
        return;
    if (QFileInfo(QString::fromStdString(*path)).suffix().isEmpty())
        *path += ".syx";
    // A text that gives no bytes is refused rather than written as an empty file.
    FCMidiSysEx message;
    message.ConvertFromString(m_data);
    if (const int error = CSysExFile::Write(*path, message))
        reportFileError(AppStrings::sysExWriteErrorTitle, AppStrings::sysExWriteError, error);
}

void CSysExEditDlg::reportFileError(int titleId, int messageId, int error)
{
    plat::UserPrompt::Message message;
    message.caption = AppStrings::text(uint32_t(titleId));
    message.text = withNumber(uint32_t(messageId), error);
    message.icon = plat::UserPrompt::Icon::warning;
    plat::UserPrompt::ask(message);
}

void CSysExEditDlg::accept()
{
    if (!updateData(true))
        return;
    FCMidiSysEx bytes;
    bytes.ConvertFromString(m_data);
    if (!bytes.HasData()) {
        if (QWidget* data = plat::ui::itemWidget(this, kData))
            data->setFocus();
        return;
    }
    applyChange(bytes);
    QDialog::accept();
}

void CSysExEditDlg::applyChange(const FCMidiSysEx& bytes)
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
    if (!conductor)
        return;
    MCCommandList list;
    if (!m_element) {
        plat::RefPtr<ECSystemMessage> message(new ECSystemMessage(0));
        message->SetMessageName(m_name);
        message->SetTime(&m_time);
        auto* add = static_cast<CCAddSysEx*>(list.GetCommand(CommandIds::CCAddSysEx, &CCAddSysEx::classObject));
        add->Add(message.get(), conductor->GetConductorStaff(), bytes);
    } else {
        const MCTime* at = m_element->GetTime();
        if (!at || *at != m_time) {
            auto* move = static_cast<CCEditTime*>(list.GetCommand(CommandIds::CCEditTime, &CCEditTime::classObject));
            move->EditTime(m_element, &m_time);
        }
        if (m_element->GetMessageName() != m_name) {
            auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
            CCEditItem* item = edit->EditEvent(m_element);
            if (auto* copy = item ? dynamic_cast<ECSystemMessage*>(item->GetNewEvent()) : nullptr)
                copy->SetMessageName(m_name);
        }
        DCsqSysMsg* data = sysExDataOf(m_element);
        if (data && data->GetSysExData().ConvertToString() != bytes.ConvertToString()) {
            auto* edit = static_cast<CCEditData*>(list.GetCommand(CommandIds::CCEditData, &CCEditData::classObject));
            CCEditDataItem* item = edit->EditData(data, 0);
            if (auto* copy = item ? dynamic_cast<DCsqSysMsg*>(item->GetNewData()) : nullptr)
                copy->SetSysExData(bytes);
        }
    }
    if (list.IsEmpty())
        return;
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(performance, m_element ? "Edit SysEx Message" : "New SysEx Message");
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    m_doc->SetModifiedFlag();
}
