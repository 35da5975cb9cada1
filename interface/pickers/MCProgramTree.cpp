#include "interface/pickers/MCProgramTree.h"

#include "interface/core/InterfaceModule.h"
#include "interface/core/MCAtoi.h"
#include "interface/pickers/MCProgramEntryBankMSB.h"
#include "interface/pickers/MCProgramEntryBankMSBLSB.h"
#include "interface/pickers/MCProgramEntryNoBank.h"

#include "platform/core/IniFile.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/resource/ImageResources.h"

#include <QApplication>
#include <QPixmap>

#include <algorithm>
#include <vector>

namespace {

constexpr int kLoadedRole = Qt::UserRole + 1;
constexpr int kExpandedOnceRole = Qt::UserRole + 2;
// The longest value read; longer ones are cut there.
constexpr size_t kMaxValue = 511;

std::string valueOf(const plat::IniFile& ini, const std::string& section, const std::string& key)
{
    std::string value = ini.getString(section, key, "");
    if (value.size() > kMaxValue)
        value.resize(kMaxValue);
    return value;
}

// Whether an item's text is text (exact) or holds it, without regard to case.
bool matches(const QTreeWidgetItem* item, const QString& text, bool exact)
{
    return exact ? item->text(0) == text : item->text(0).contains(text, Qt::CaseInsensitive);
}

QIcon iconOf(uint32_t id)
{
    const plat::Resources::ModuleSwitch own(InterfaceModule::kName);
    QIcon icon;
    for (const int scale : {1, 2}) {
        if (const auto image = plat::ui::ImageResources::find(id, scale))
            icon.addPixmap(QPixmap::fromImage(*image));
    }
    return icon;
}

// The lower-cased path names the one instrument whose LSB-0 requests are looked up as LSB 3.
bool isSpecialInstrument(const std::string& file)
{
    return QString::fromStdString(file).toLower().contains("roland sc-88 pro.ini");
}

}  // namespace

MCProgramTree::MCProgramTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { onExpanded(item); });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { onCollapsed(item); });
}

MCProgramTree::~MCProgramTree()
{
    clearAll();
}

int MCProgramTree::GetFileType(const std::string& file)
{
    const std::string type = plat::IniFile(file).getString("Info", "Type", "NoBank");
    if (type == "NoBank")
        return kindNoBank;
    if (type == "BankMSB")
        return kindBankMSB;
    if (type == "BankMSBLSB")
        return kindBankMSBLSB;
    return kindOther;
}

std::unique_ptr<MCProgramEntry> MCProgramTree::NewProgramEntry(int kind)
{
    switch (kind) {
    case kindNoBank: return std::make_unique<MCProgramEntryNoBank>();
    case kindBankMSB: return std::make_unique<MCProgramEntryBankMSB>();
    case kindBankMSBLSB: return std::make_unique<MCProgramEntryBankMSBLSB>();
    default: return std::make_unique<MCProgramEntry>();
    }
}

int MCProgramTree::GetBankNumber(const std::string& file, const std::string& bankName)
{
    const plat::IniFile ini(file);
    for (const std::string& key : ini.keys("Banks")) {
        if (valueOf(ini, "Banks", key) == bankName)
            return MCAtoi(key);
    }
    return 0;
}

MCProgramTree::Voice MCProgramTree::ParseVoice(const std::string& key, const std::string& value)
{
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start <= value.size()) {
        const size_t comma = std::min(value.find(',', start), value.size());
        if (comma > start)
            tokens.push_back(value.substr(start, comma - start));
        start = comma + 1;
    }
    Voice voice;
    if (!tokens.empty())
        voice.name = tokens[0];
    voice.bank = tokens.size() > 1 ? MCAtoi(tokens[1]) : 0;
    const int oneBased = tokens.size() > 2 ? MCAtoi(tokens[2]) : MCAtoi(key);
    voice.program = static_cast<unsigned char>(oneBased - 1);
    return voice;
}

std::string MCProgramTree::DisplayName(const Voice& voice, bool showBank, bool showProgram)
{
    const std::string bank = showBank ? plat::format("B%02d: ", voice.bank) : std::string();
    const std::string program = showProgram ? plat::format("%02d) ", voice.program + 1) : std::string();
    return bank + program + voice.name;
}

bool MCProgramTree::GetPatchName(const std::string& file, int midiBank, int program, std::string& container,
                                 std::string& display, int style, bool showBank, bool showProgram)
{
    if (isSpecialInstrument(file) && (midiBank & 0x7F) == 0)
        midiBank += 3;
    const int fileBank = NewProgramEntry(GetFileType(file))->GetBankFromMidi(midiBank);
    const plat::IniFile ini(file);
    std::string bankName;
    for (const std::string& key : ini.keys("Banks")) {
        if (MCAtoi(key) == fileBank) {
            bankName = valueOf(ini, "Banks", key);
            break;
        }
    }
    for (const std::string& groupKey : ini.keys("Groups")) {
        const std::string group = valueOf(ini, "Groups", groupKey);
        for (const std::string& key : ini.keys(group)) {
            const Voice voice = ParseVoice(key, valueOf(ini, group, key));
            if (voice.bank != fileBank || voice.program != program)
                continue;
            display = DisplayName(voice, showBank, showProgram);
            container = style == byGroups ? group : style == byBanks ? bankName : std::string();
            return true;
        }
    }
    return false;
}

bool MCProgramTree::Create(QWidget* parent, int id)
{
    if (!parent)
        return false;
    setParent(parent);
    plat::ui::setItemId(this, id);
    InitWindow();
    return true;
}

bool MCProgramTree::SubclassProgramTree(int id, QWidget* parent)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    InitWindow();
    return true;
}

void MCProgramTree::InitWindow()
{
    if (m_groupIcon.isNull()) {
        m_groupIcon = iconOf(kGroupIcon);
        m_voiceIcon = iconOf(kVoiceIcon);
        // The selected voice shows its own image.
        for (const QSize& size : iconOf(kSelectedIcon).availableSizes())
            m_voiceIcon.addPixmap(iconOf(kSelectedIcon).pixmap(size), QIcon::Selected);
    }
    setIconSize(QSize(16, 16));
}

MCProgramEntry* MCProgramTree::GetEntry(const QTreeWidgetItem* item) const
{
    const auto found = m_entries.find(item);
    return found == m_entries.end() ? nullptr : found->second.get();
}

void MCProgramTree::removeVoices(QTreeWidgetItem* top)
{
    for (QTreeWidgetItem* child : top->takeChildren()) {
        m_entries.erase(child);
        delete child;
    }
    top->setData(0, kLoadedRole, false);
}

void MCProgramTree::clearAll()
{
    const QSignalBlocker quiet(this);
    for (int i = 0; i < topLevelItemCount(); ++i)
        removeVoices(topLevelItem(i));
    clear();
    m_entries.clear();
}

void MCProgramTree::loadVoices(QTreeWidgetItem* top)
{
    if (top->data(0, kLoadedRole).toBool())
        return;
    const plat::IniFile ini(m_path);
    std::vector<std::string> sections;
    if (m_style == byBanks) {
        m_bankFilter = GetBankNumber(m_path, top->text(0).toStdString());
        for (const std::string& key : ini.keys("Groups"))
            sections.push_back(valueOf(ini, "Groups", key));
    } else {
        sections.push_back(top->text(0).toStdString());
    }
    setUpdatesEnabled(false);
    for (const std::string& section : sections) {
        for (const std::string& key : ini.keys(section)) {
            const Voice voice = ParseVoice(key, valueOf(ini, section, key));
            if (m_style == byBanks && voice.bank != m_bankFilter)
                continue;
            auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(DisplayName(voice, m_showBank, m_showProg))});
            item->setIcon(0, m_voiceIcon);
            std::unique_ptr<MCProgramEntry> entry = NewProgramEntry(m_kind);
            entry->SetProgram(static_cast<unsigned char>(voice.program));
            entry->SetBank(voice.bank);
            m_entries[item] = std::move(entry);
            top->addChild(item);
        }
    }
    m_bankFilter = -1;
    top->setData(0, kLoadedRole, true);
    setUpdatesEnabled(true);
}

void MCProgramTree::onExpanded(QTreeWidgetItem* item)
{
    if (GetEntry(item) || item->parent())
        return;
    item->setData(0, kExpandedOnceRole, true);
    loadVoices(item);
}

void MCProgramTree::onCollapsed(QTreeWidgetItem* item)
{
    if (!item->parent())
        removeVoices(item);
}

void MCProgramTree::LoadInstrument(const std::string& file, int midiBank, int program)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool changed = file != m_path;
    if (changed)
        m_path = file;
    m_bank = midiBank;
    m_program = program;
    if (changed)
        clearAll();
    if (m_path.empty()) {
        QApplication::restoreOverrideCursor();
        return;
    }
    if (changed) {
        m_kind = GetFileType(m_path);
        const plat::IniFile ini(m_path);
        const char* section = m_style == byBanks ? "Banks" : "Groups";
        setUpdatesEnabled(false);
        for (const std::string& key : ini.keys(section)) {
            auto* top = new QTreeWidgetItem(QStringList{QString::fromStdString(valueOf(ini, section, key))});
            top->setIcon(0, m_groupIcon);
            top->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            addTopLevelItem(top);
        }
        setUpdatesEnabled(true);
    }
    if (midiBank == -1 || program == -1) {
        if (QTreeWidgetItem* selected = currentItem())
            selected->setSelected(false);
        clearSelection();
        QApplication::restoreOverrideCursor();
        return;
    }
    std::string container, display;
    if (GetPatchName(m_path, midiBank, program, container, display, m_style, m_showBank, m_showProg)) {
        const QString group = QString::fromStdString(container), name = QString::fromStdString(display);
        bool done = false;
        for (int i = 0; i < topLevelItemCount() && !done; ++i) {
            QTreeWidgetItem* top = topLevelItem(i);
            if (top->text(0) != group)
                continue;
            if (!top->isExpanded() && !top->data(0, kExpandedOnceRole).toBool()) {
                loadVoices(top);
                top->setExpanded(true);
            }
            for (int j = 0; j < top->childCount(); ++j) {
                if (top->child(j)->text(0) == name) {
                    setCurrentItem(top->child(j));
                    scrollToItem(top->child(j));
                    done = true;
                    break;
                }
            }
        }
    }
    QApplication::restoreOverrideCursor();
}

void MCProgramTree::Refresh()
{
    const std::string path = m_path;
    m_path.clear();
    ClearCache();
    LoadInstrument(path, -1, -1);
}

void MCProgramTree::ExpandAll(bool expand)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setUpdatesEnabled(false);
    for (int i = 0; i < topLevelItemCount(); ++i)
        topLevelItem(i)->setExpanded(expand);
    if (QTreeWidgetItem* selected = currentItem())
        scrollToItem(selected);
    setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

QTreeWidgetItem* MCProgramTree::FindInAllGroups(const QString& text, QTreeWidgetItem* start, bool reverse,
                                                bool exact)
{
    const int groups = topLevelItemCount();
    if (groups == 0)
        return nullptr;
    // A place in the tree: a group, and one of its voices or -1 for the group itself. Every
    // place is counted, and the walk stops after one round.
    std::vector<QTreeWidgetItem*> opened;
    const auto voicesOf = [&](int group) {
        QTreeWidgetItem* top = topLevelItem(group);
        if (!top->data(0, kLoadedRole).toBool()) {
            loadVoices(top);
            opened.push_back(top);
        }
        return top->childCount();
    };
    int group = reverse ? 0 : groups - 1;
    int voice = reverse ? -1 : voicesOf(groups - 1) - 1;
    if (start) {
        QTreeWidgetItem* holder = start->parent();
        group = indexOfTopLevelItem(holder ? holder : start);
        voice = holder ? holder->indexOfChild(start) : -1;
        if (group < 0)
            return nullptr;
    }
    const auto step = [&] {
        if (!reverse) {
            if (voice + 1 < voicesOf(group)) {
                ++voice;
            } else {
                group = (group + 1) % groups;
                voice = -1;
            }
        } else if (voice >= 0) {
            --voice;
        } else {
            group = (group + groups - 1) % groups;
            voice = voicesOf(group) - 1;
        }
    };
    const int startGroup = group, startVoice = voice;
    QTreeWidgetItem* found = nullptr;
    do {
        step();
        QTreeWidgetItem* item = voice < 0 ? topLevelItem(group) : topLevelItem(group)->child(voice);
        if (matches(item, text, exact))
            found = item;
    } while (!found && !(group == startGroup && voice == startVoice));
    QTreeWidgetItem* keep = found && found->parent() ? found->parent() : nullptr;
    for (QTreeWidgetItem* top : opened) {
        if (top != keep)
            removeVoices(top);
    }
    if (keep)
        keep->setExpanded(true);
    return found;
}

QTreeWidgetItem* MCProgramTree::GetNextItemWithString(const QString& text, QTreeWidgetItem* start, int relation,
                                                      bool exact) const
{
    const auto step = [&](QTreeWidgetItem* item) -> QTreeWidgetItem* {
        if (!item)
            return relation == next || relation == nextVisible ? topLevelItem(0) : nullptr;
        QTreeWidgetItem* holder = item->parent();
        const int index = holder ? holder->indexOfChild(item) : indexOfTopLevelItem(item);
        const auto sibling = [&](int at) -> QTreeWidgetItem* {
            if (at < 0)
                return nullptr;
            return holder ? holder->child(at) : topLevelItem(at);
        };
        switch (relation) {
        case next: return sibling(index + 1);
        case previous: return sibling(index - 1);
        case parent: return holder;
        case child: return item->child(0);
        case nextVisible: return itemBelow(item);
        case previousVisible: return itemAbove(item);
        default: return nullptr;
        }
    };
    // A bounded walk: no more steps than the tree has items.
    int budget = 0;
    for (int i = 0; i < topLevelItemCount(); ++i)
        budget += 1 + topLevelItem(i)->childCount();
    for (QTreeWidgetItem* item = step(start); item && budget-- > 0; item = step(item)) {
        if (matches(item, text, exact))
            return item;
    }
    return nullptr;
}
