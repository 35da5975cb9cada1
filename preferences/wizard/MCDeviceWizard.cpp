#include "preferences/wizard/MCDeviceWizard.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"
#include "preferences/core/PrefsModule.h"
#include "preferences/pages/CMiniImage.h"
#include "preferences/wizard/CWizardPgMidiPlay.h"
#include "preferences/wizard/CWizardPgThru.h"
#include "preferences/wizard/CWizardPgWave.h"
#include "preferences/wizard/CWizardPgWelcome.h"

#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCPrefs.h"
#include "platform/core/Object.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <memory>

MCDeviceWizard::MCDeviceWizard(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Device Wizard");
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    body->addWidget(CPrefsControls::Placeholder(this, kPicture));
    auto* right = new QVBoxLayout;
    m_title = CPrefsControls::Label(this, "", kTitle);
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    right->addWidget(m_title);
    m_formArea = new QWidget(this);
    plat::ui::setItemId(m_formArea, kFormArea);
    // The forms take the place of the placeholder, one at a time.
    auto* forms = new QGridLayout(m_formArea);
    forms->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_formArea, 1);
    body->addLayout(right, 1);
    layout->addLayout(body, 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_back = new QPushButton("< &Back", this);
    plat::ui::setItemId(m_back, kBack);
    m_next = new QPushButton("&Next >", this);
    plat::ui::setItemId(m_next, kNext);
    m_next->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    plat::ui::setItemId(cancel, 2);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addSpacing(12);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_back, &QPushButton::clicked, this, [this] { OnPrevious(); });
    connect(m_next, &QPushButton::clicked, this, [this] { OnNext(); });
    connect(cancel, &QPushButton::clicked, this, &MCDeviceWizard::reject);

    if (LoadIntPreference("Settings", "FirstRun", 1) != 0) {
        AddForm(&CWizardPgWelcome::classObject);
        m_flags |= kWelcome;
    }
    AddForm(&CWizardPgMidiPlay::classObject);
    AddForm(&CWizardPgThru::classObject);
    AddForm(&CWizardPgWave::classObject);
}

MCDeviceWizard::~MCDeviceWizard() = default;

void MCDeviceWizard::AddForm(const plat::RuntimeClass* formClass)
{
    if (formClass)
        m_formClasses.push_back(formClass);
}

int MCDeviceWizard::DoWizard(int titleId, int second)
{
    if (titleId != -1)
        m_titleId = titleId;
    if (second != -1)
        m_second = second;
    OnInitDialog();
    return plat::ui::ModalHooks::runDialog(*this);
}

void MCDeviceWizard::showEvent(QShowEvent* event)
{
    OnInitDialog();
    QDialog::showEvent(event);
}

void MCDeviceWizard::OnInitDialog()
{
    if (m_flags & kInitialised)
        return;
    if (m_titleId > 0) {
        const std::string caption = PrefsModule::String(static_cast<uint32_t>(m_titleId));
        if (!caption.empty())
            setWindowTitle(QString::fromStdString(caption));
    }
    m_picture = new CMiniImage(this);
    m_picture->Attach(kPicture, this);
    m_picture->setFixedSize(124, 264);
    {
        const plat::Resources::ModuleSwitch own(PrefsModule::kName);
        m_picture->SetImage(static_cast<int>(PrefsModule::kWizardPicture));
    }
    const plat::FontDescription font =
        LoadFontPreference("Settings\\Font", "Large Font", "Times New Roman", -24, 1, 1, 0, 0);
    m_titleFont = QFont(QString::fromStdString(font.faceName));
    m_titleFont.setPixelSize(std::max(1, std::abs(font.height)));
    m_titleFont.setBold(font.isBold());
    m_titleFont.setItalic(font.italic);
    m_titleFont.setUnderline(font.underline);
    m_title->setFont(m_titleFont);
    auto* forms = static_cast<QGridLayout*>(m_formArea->layout());
    for (const plat::RuntimeClass* formClass : m_formClasses) {
        std::unique_ptr<plat::Object> object(formClass->createObject());
        auto* form = dynamic_cast<MCWizardForm*>(object.get());
        if (!form || !form->Create(m_formArea))
            continue;
        object.release();
        forms->addWidget(form, 0, 0);
        m_forms.push_back(form);
    }
    // The wizard keeps one size whichever form it shows.
    QSize largest(360, 0);
    for (const MCWizardForm* form : m_forms)
        largest = largest.expandedTo(form->sizeHint());
    m_formArea->setMinimumSize(largest);
    if (m_flags & kWelcome)
        CPrefsDevices::PlaySound("intro.wav", 0);
    DisplayFormAtPos(0);
    UpdateButtons();
    m_flags |= kInitialised;
    UpdateData(false);
}

bool MCDeviceWizard::UpdateData(bool save)
{
    if (!(m_flags & kInitialised))
        return true;
    for (MCWizardForm* form : m_forms) {
        if (!form->UpdateData(save)) {
            DisplayForm(form);
            UpdateButtons();
            return false;
        }
    }
    return true;
}

MCWizardForm* MCDeviceWizard::GetForm(int position) const
{
    return position >= 0 && position < GetFormCount() ? m_forms[static_cast<size_t>(position)] : nullptr;
}

int MCDeviceWizard::FindForm(const MCWizardForm* form) const
{
    for (int i = 0; i < GetFormCount(); ++i) {
        if (m_forms[static_cast<size_t>(i)] == form)
            return i;
    }
    return -1;
}

void MCDeviceWizard::DisplayForm(MCWizardForm* form)
{
    if (form == m_shown)
        return;
    if (m_shown) {
        m_shown->hide();
        m_shown->setEnabled(false);
    }
    m_shown = form;
    if (m_shown) {
        m_shown->setAttribute(Qt::WA_ShowWithoutActivating);
        m_shown->setEnabled(true);
        m_shown->show();
    }
    m_title->setText(QString::fromStdString(m_shown ? m_shown->GetTitle() : std::string()));
}

void MCDeviceWizard::DisplayFormAtPos(int position)
{
    DisplayForm(GetForm(position));
}

void MCDeviceWizard::UpdateButtons()
{
    if (m_forms.empty()) {
        m_back->setEnabled(false);
        m_next->setEnabled(false);
        return;
    }
    const int position = FindForm(m_shown);
    m_back->setEnabled(position > 0);
    m_next->setEnabled(true);
    if (position == GetFormCount() - 1) {
        m_flags |= kLastShown;
        m_next->setText("&Finish");
    } else {
        m_flags &= ~kLastShown;
        m_next->setText("&Next >");
    }
}

void MCDeviceWizard::OnPrevious()
{
    const int position = FindForm(m_shown);
    if (position > 0)
        DisplayFormAtPos(position - 1);
    UpdateButtons();
}

void MCDeviceWizard::OnNext()
{
    if (m_flags & kLastShown) {
        OnFinish();
        return;
    }
    const int position = FindForm(m_shown);
    if (position + 1 < GetFormCount())
        DisplayFormAtPos(position + 1);
    UpdateButtons();
}

void MCDeviceWizard::OnFinish()
{
    // Every form's values are checked before any is written.
    for (MCWizardForm* form : m_forms) {
        if (!form->UpdateData(true)) {
            DisplayForm(form);
            UpdateButtons();
            return;
        }
    }
    for (MCWizardForm* form : m_forms)
        form->SaveForm();
    // The documents and the devices take the new settings at once.
    auto* changed = new SCPrefs(SCPrefs::kPrefsChanged);
    changed->SetSynchronous(1);
    MCStateMgr::ApplyState(changed, nullptr);
    QDialog::accept();
}

void MCDeviceWizard::reject()
{
    for (MCWizardForm* form : m_forms)
        form->CancelForm();
    QDialog::reject();
}
