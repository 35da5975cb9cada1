#include "preferences/pages/CPrefsPgGeneral.h"

#include "preferences/core/CPrefsControls.h"

#include "interface/controls/MCCheckList.h"
#include "interface/core/MCPaths.h"
#include "interface/document/CPluginView.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Paths.h"
#include "platform/core/Strings.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <utility>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgGeneral, CPrefsPageBase)

namespace {

constexpr const char* kNew = "Settings\\New";
constexpr const char* kSettings = "Settings";

std::string& templateFolder()
{
    static std::string folder;
    return folder;
}

QCheckBox* check(QWidget* page, const char* text, int id)
{
    auto* box = new QCheckBox(QString::fromUtf8(text), page);
    plat::ui::setItemId(box, id);
    return box;
}

}  // namespace

CPrefsPgGeneral::CPrefsPgGeneral() : CPrefsPageBase("General")
{
    auto* layout = new QGridLayout(this);
    QCheckBox* autoNew = check(this, "Load new file :", kAutoNew);
    layout->addWidget(autoNew, 0, 0);
    auto* templates = new QComboBox(this);
    plat::ui::setItemId(templates, kTemplates);
    layout->addWidget(templates, 0, 1);
    layout->addWidget(CPrefsControls::Label(this, "&Views to open a document in:", 0, kViews), 1, 0, 1, 2);
    auto* views = new QWidget(this);
    plat::ui::setItemId(views, kViews);
    layout->addWidget(views, 2, 0, 1, 2);
    layout->addWidget(check(this, "&Follow music during playback", kFollowScore), 3, 0, 1, 2);
    layout->addWidget(check(this, "Play notes during cursor entry", kPlayNotes), 4, 0, 1, 2);
    QLabel* undoLabel = CPrefsControls::Label(this, "&Undo levels:");
    auto* undo = new QLineEdit(this);
    plat::ui::setItemId(undo, kUndoLevels);
    undo->setMaxLength(5);
    undoLabel->setBuddy(undo);
    layout->addWidget(undoLabel, 5, 0);
    layout->addWidget(undo, 5, 1);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);

    connect(autoNew, &QCheckBox::clicked, this, [this] { OnAutoNew(); });
    connect(templates, &QComboBox::activated, this, [this] { setModified(true); });
    for (int id : {kFollowScore, kPlayNotes})
        connect(plat::ui::item<QCheckBox>(this, id), &QCheckBox::clicked, this, [this] { setModified(true); });
    connect(undo, &QLineEdit::textEdited, this, [this] { setModified(true); });
}

std::string CPrefsPgGeneral::SetTemplateFolder(std::string folder)
{
    return std::exchange(templateFolder(), std::move(folder));
}

std::string CPrefsPgGeneral::GetTemplateFolder()
{
    return templateFolder().empty() ? MCGetAppPath("Templates") : templateFolder();
}

void CPrefsPgGeneral::OnInitDialog()
{
    m_templates = plat::ui::item<QComboBox>(this, kTemplates);
    m_views = new MCCheckList(this);
    m_views->SubclassCheckList(kViews, this, 1);
    m_views->setHeaderHidden(true);
    CPrefsControls::AttachBuddies(this);
    m_views->SetCheckChangedHandler([this](int) {
        if (!m_loading)
            setModified(true);
    });
    m_initialised = true;
    LoadPrefs();
}

void CPrefsPgGeneral::LoadTemplateNames()
{
    m_names.clear();
    std::error_code error;
    for (std::filesystem::directory_iterator it(GetTemplateFolder(), error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        // Templates are written "*.kvt", older ones "*.KVT"; "~" marks a backup copy.
        if (!plat::paths::matches(name, "*.KVT") || name.find('~') != std::string::npos)
            continue;
        if (!it->is_regular_file(error))
            continue;
        m_names.push_back(name.substr(0, name.rfind('.')));
    }
    std::sort(m_names.begin(), m_names.end(), [](const std::string& a, const std::string& b) {
        return plat::lowerAscii(a) < plat::lowerAscii(b);
    });
    if (m_names.empty()) {
        plat::UserPrompt::Message message;
        message.text = "No music templates were found!\n";
        message.icon = plat::UserPrompt::Icon::warning;
        plat::UserPrompt::ask(message);
    }
}

void CPrefsPgGeneral::LoadPrefs()
{
    LoadTemplateNames();
    if (m_templates) {
        m_templates->clear();
        for (size_t i = 0; i < m_names.size(); ++i)
            m_templates->addItem(QString::fromStdString(m_names[i]), static_cast<int>(i));
    }
    m_autoNew = LoadIntPreference(kNew, "AutoNew", 1);
    m_template = LoadStringPreference(kNew, "AutoTemplate", "Single Staff");
    m_viewRows.clear();
    m_loading = true;
    if (m_views) {
        m_views->clear();
        for (CPluginView* plugin : CPluginView::GetPlugins()) {
            std::string menu;
            std::string title;
            plugin->LoadMenuString(menu);
            plugin->LoadTitleString(title);
            const int row = m_views->InsertItem(-1, QString::fromStdString(title.empty() ? menu : title));
            const std::string section = "\\PlugIns\\Views\\" + menu;
            m_views->SetCheck(row, LoadIntPreference(section.c_str(), "Visible", 0) != 0);
            m_viewRows.push_back(plugin);
        }
    }
    m_loading = false;
    m_followScore = LoadIntPreference(kSettings, "FollowScore", 1);
    m_playNotes = LoadIntPreference(kSettings, "PlayNotes", 1);
    m_undoLevels = LoadIntPreference(kSettings, "UndoLevels", 10);
    updateData(false);
}

void CPrefsPgGeneral::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    dx.check(kAutoNew, m_autoNew);
    dx.check(kFollowScore, m_followScore);
    dx.check(kPlayNotes, m_playNotes);
    dx.integer(kUndoLevels, m_undoLevels);
    dx.range(m_undoLevels, 0, 1000);
    if (auto* combo = dx.control<QComboBox>(kTemplates)) {
        if (dx.saving()) {
            // With no template files there is no name to take: the stored one stays.
            if (!m_names.empty()) {
                const int index = std::max(0, combo->currentIndex());
                m_template = m_names[static_cast<size_t>(std::min<int>(index, int(m_names.size()) - 1))];
            }
        } else {
            const auto found = std::find(m_names.begin(), m_names.end(), m_template);
            combo->setCurrentIndex(found == m_names.end() ? -1 : int(found - m_names.begin()));
            combo->setEnabled(m_autoNew != 0);
        }
    }
}

void CPrefsPgGeneral::OnAutoNew()
{
    updateData(true);
    setModified(true);
    updateData(false);
}

void CPrefsPgGeneral::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    SaveIntPreference(kNew, "AutoNew", m_autoNew);
    SaveStringPreference(kNew, "AutoTemplate", m_template.c_str());
    for (size_t row = 0; row < m_viewRows.size() && m_views; ++row) {
        std::string menu;
        m_viewRows[row]->LoadMenuString(menu);
        const std::string section = "\\PlugIns\\Views\\" + menu;
        SaveIntPreference(section.c_str(), "Visible", m_views->GetCheck(static_cast<int>(row)) ? 1 : 0);
    }
    SaveIntPreference(kSettings, "FollowScore", m_followScore);
    SaveIntPreference(kSettings, "PlayNotes", m_playNotes);
    SaveIntPreference(kSettings, "UndoLevels", m_undoLevels);
}
