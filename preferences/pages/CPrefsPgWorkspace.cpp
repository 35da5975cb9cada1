#include "preferences/pages/CPrefsPgWorkspace.h"

#include "preferences/core/CPrefsControls.h"

#include "preferences/core/PrefsModule.h"
#include "preferences/pages/CMiniImage.h"

#include "interface/core/ColorWellButton.h"
#include "interface/core/MCRegistry.h"
#include "interface/core/MCResourceModule.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ChoiceKeeper.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgWorkspace, CPrefsPageBase)

namespace {

constexpr const char* kBackground = "Settings\\Background";
constexpr const char* kColor = "Settings\\Color";
constexpr const char* kPalette = "Components\\Glyphtray";
constexpr const char* kInspector = "Components\\Inspector";
constexpr const char* kDefaultModule = "Backdrape";

QCheckBox* check(QWidget* parent, const char* text, int id)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    plat::ui::setItemId(box, id);
    return box;
}

QWidget* placeholder(QWidget* parent, int id)
{
    auto* widget = new QWidget(parent);
    plat::ui::setItemId(widget, id);
    return widget;
}

}  // namespace

CPrefsPgWorkspace::CPrefsPgWorkspace() : CPrefsPageBase("Workspace")
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(CPrefsControls::Label(this, "&Background image:", 0, kImages), 0, 0, 1, 2);
    auto* list = new QListWidget(this);
    plat::ui::setItemId(list, kImages);
    plat::ui::ChoiceKeeper::keep(*list);
    layout->addWidget(list, 1, 0);
    layout->addWidget(placeholder(this, kPreview), 1, 1);
    auto* colours = new QGridLayout;
    colours->addWidget(CPrefsControls::Label(this, "&Selection", 0, kSelection), 0, 0);
    colours->addWidget(placeholder(this, kSelection), 0, 1);
    colours->addWidget(CPrefsControls::Label(this, "&Highlight", 0, kHighlight), 0, 2);
    colours->addWidget(placeholder(this, kHighlight), 0, 3);
    colours->setColumnStretch(4, 1);
    layout->addLayout(colours, 2, 0, 1, 2);
    layout->addWidget(check(this, "Shrink Music Palette when mouse is moved away", kShrinkPalette), 3, 0, 1, 2);
    layout->addWidget(check(this, "Shrink Inspector when mouse is moved away", kShrinkInspector), 4, 0, 1, 2);
    layout->addWidget(check(this, "Hide Inspector in Insert Mode", kHideInspector), 5, 0, 1, 2);
    auto* reset = new QPushButton("Reset &Warnings", this);
    plat::ui::setItemId(reset, kResetWarnings);
    layout->addWidget(reset, 6, 0, Qt::AlignLeft);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 1);

    // The selection, not the current row: a click makes the row current before it selects it.
    connect(list, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_loading)
            OnBackgroundImage();
    });
    for (int id : {kShrinkPalette, kShrinkInspector, kHideInspector})
        connect(plat::ui::item<QCheckBox>(this, id), &QCheckBox::clicked, this, [this] { OnChangeShrink(); });
    connect(reset, &QPushButton::clicked, this, [this] { OnResetWarnings(); });
}

void CPrefsPgWorkspace::OnInitDialog()
{
    m_list = plat::ui::item<QListWidget>(this, kImages);
    m_preview = new CMiniImage(this);
    m_preview->Attach(kPreview, this);
    m_selectionWell = new ColorWellButton(this);
    m_selectionWell->Attach(this, kSelection);
    m_highlightWell = new ColorWellButton(this);
    m_highlightWell->Attach(this, kHighlight);
    for (ColorWellButton* well : {m_selectionWell, m_highlightWell})
        well->SetChangeHandler([this](plat::ui::ColorRef) { OnColorChange(); });
    CPrefsControls::AttachBuddies(this);
    m_initialised = true;
    LoadPrefs();
}

void CPrefsPgWorkspace::LoadImageNames()
{
    if (!m_list)
        return;
    m_loading = true;
    m_list->clear();
    const std::string none = PrefsModule::String(PrefsModule::kNoImage);
    if (!none.empty()) {
        auto* row = new QListWidgetItem(QString::fromStdString(none), m_list);
        row->setData(Qt::UserRole, -1);
    }
    if (SetResourceModule(m_module.c_str())) {
        for (int id = kFirstImage; id <= 0xFFFF; ++id) {
            const std::string name = plat::Resources::string(static_cast<uint32_t>(id));
            if (name.empty())
                break;
            auto* row = new QListWidgetItem(QString::fromStdString(name), m_list);
            row->setData(Qt::UserRole, id);
        }
        ResetResourceModule();
    }
    m_loading = false;
}

int CPrefsPgWorkspace::IndexOfItem(int data) const
{
    if (!m_list)
        return -1;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->data(Qt::UserRole).toInt() == data)
            return row;
    }
    return -1;
}

int CPrefsPgWorkspace::GetSelectedImage() const
{
    const QList<QListWidgetItem*> rows = m_list ? m_list->selectedItems() : QList<QListWidgetItem*>();
    return rows.isEmpty() ? -1 : rows.front()->data(Qt::UserRole).toInt();
}

void CPrefsPgWorkspace::SetSelectedImage(int id)
{
    if (m_list) {
        m_loading = true;
        const int row = IndexOfItem(id);
        m_list->setCurrentRow(row);
        if (row < 0)
            m_list->clearSelection();
        m_loading = false;
    }
    ShowImage(id);
}

void CPrefsPgWorkspace::ShowImage(int id)
{
    if (!m_preview)
        return;
    if (id >= 0 && SetResourceModule(m_module.c_str())) {
        m_preview->SetImage(id);
        ResetResourceModule();
    } else {
        m_preview->SetImage(-1);
    }
}

void CPrefsPgWorkspace::OnBackgroundImage()
{
    // The list already shows the choice; only the preview follows it.
    ShowImage(GetSelectedImage());
    setModified(true);
}

void CPrefsPgWorkspace::OnColorChange()
{
    setModified(true);
}

void CPrefsPgWorkspace::OnChangeShrink()
{
    setModified(true);
}

void CPrefsPgWorkspace::OnResetWarnings()
{
    plat::UserPrompt::Message message;
    message.text = PrefsModule::String(PrefsModule::kResetWarnings);
    message.buttons = plat::UserPrompt::Buttons::yesNo;
    message.icon = plat::UserPrompt::Icon::question;
    if (plat::UserPrompt::ask(message) != plat::UserPrompt::Answer::yes)
        return;
    MCRegistry registry;
    registry.DeleteAppKey("Settings\\Interface\\Warnings");
}

void CPrefsPgWorkspace::LoadPrefs()
{
    m_module = LoadStringPreference(kBackground, "Module", kDefaultModule);
    LoadImageNames();
    m_image = LoadIntPreference(kBackground, "Image", kFirstImage);
    SetSelectedImage(m_image);
    if (m_selectionWell)
        m_selectionWell->SetColor(static_cast<plat::ui::ColorRef>(LoadIntPreference(kColor, "Selection", 255)));
    if (m_highlightWell)
        m_highlightWell->SetColor(static_cast<plat::ui::ColorRef>(LoadIntPreference(kColor, "Highlight", 65280)));
    m_shrinkPalette = LoadIntPreference(kPalette, "AutoCollapse", 0);
    m_shrinkInspector = LoadIntPreference(kInspector, "AutoCollapse", 0);
    m_hideInspector = LoadIntPreference(kInspector, "AutoHide", 1);
    updateData(false);
}

void CPrefsPgWorkspace::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    dx.check(kShrinkPalette, m_shrinkPalette);
    dx.check(kShrinkInspector, m_shrinkInspector);
    dx.check(kHideInspector, m_hideInspector);
}

void CPrefsPgWorkspace::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    // The picture's id belongs to the library whose names were listed.
    SaveStringPreference(kBackground, "Module", m_module.c_str());
    SaveIntPreference(kBackground, "Image", GetSelectedImage());
    if (m_selectionWell)
        SaveIntPreference(kColor, "Selection", static_cast<int>(m_selectionWell->GetColor()));
    if (m_highlightWell)
        SaveIntPreference(kColor, "Highlight", static_cast<int>(m_highlightWell->GetColor()));
    SaveIntPreference(kPalette, "AutoCollapse", m_shrinkPalette);
    SaveIntPreference(kInspector, "AutoCollapse", m_shrinkInspector);
    SaveIntPreference(kInspector, "AutoHide", m_hideInspector);
}
