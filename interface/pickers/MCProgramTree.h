#pragma once

#include "interface/InterfaceExport.h"

#include "interface/pickers/MCProgramEntry.h"

#include <QTreeWidget>

#include <map>
#include <memory>
#include <string>

// The programs of one instrument definition file, grouped by the file's groups (style 0) or by
// its banks (style 1), with the voice of a (MIDI bank, program) selected. The voices of a
// group or bank are read from the file when it is opened and freed when it is closed.
//
// An instrument definition file ("Instruments/<name>.INI") names its kind in "Info" "Type"
// ("NoBank", "BankMSB", "BankMSBLSB", anything else another kind), its banks in "Banks"
// (number = name), and its groups in "Groups" (each value names a section); a group section
// holds one voice per 1-based program number: "name[,bank[,program]]".
class INTERFACE_API MCProgramTree : public QTreeWidget {
public:
    enum Kind { kindNoBank = 0, kindBankMSB = 1, kindBankMSBLSB = 2, kindOther = 3 };
    enum Style { byGroups = 0, byBanks = 1 };
    static constexpr uint32_t kGroupIcon = 11641, kVoiceIcon = 11642, kSelectedIcon = 11643;

    // One voice as a group section gives it.
    struct Voice {
        std::string name;
        int bank = 0;
        // 0-based.
        int program = 0;
    };

    explicit MCProgramTree(QWidget* parent = nullptr);
    ~MCProgramTree() override;

    static int GetFileType(const std::string& file);
    static std::unique_ptr<MCProgramEntry> NewProgramEntry(int kind);
    static int GetBankNumber(const std::string& file, const std::string& bankName);
    // The container (style 0: the group; 1: the bank's name; else "") and the display name of
    // the voice of a MIDI bank and 0-based program; false, both untouched, when there is none.
    static bool GetPatchName(const std::string& file, int midiBank, int program, std::string& container,
                             std::string& display, int style, bool showBank, bool showProgram);
    // The voice a group section's key and value give.
    static Voice ParseVoice(const std::string& key, const std::string& value);
    static std::string DisplayName(const Voice& voice, bool showBank, bool showProgram);

    virtual bool Create(QWidget* parent, int id);
    virtual bool SubclassProgramTree(int id, QWidget* parent);
    virtual void InitWindow();

    void LoadInstrument(const std::string& file, int midiBank, int program);
    void Refresh();
    void ExpandAll(bool expand);
    void ClearCache() { m_bank = m_program = -1; }
    // How GetNextItemWithString steps, the same way each time.
    enum Relation { next = 1, previous = 2, parent = 3, child = 4, nextVisible = 6, previousVisible = 7 };
    // The first item reached from start (not start itself) whose text equals text (exact) or
    // contains it without regard to case; null when none. From no start, the steps begin
    // before the first top-level item.
    QTreeWidgetItem* GetNextItemWithString(const QString& text, QTreeWidgetItem* start, int relation, bool exact) const;
    // As GetNextItemWithString in the order of the tree (groups, each followed by its voices), but
    // through closed groups too, whose voices are read for the search: the first item after start
    // (before it when reverse) whose text matches, going round once to start itself; null when
    // none. The group of a voice found is opened; the other groups read for the search are freed
    // again.
    QTreeWidgetItem* FindInAllGroups(const QString& text, QTreeWidgetItem* start, bool reverse, bool exact);

    bool GetShowProg() const { return m_showProg; }
    void SetShowProg(bool show) { m_showProg = show; }
    bool GetShowBank() const { return m_showBank; }
    void SetShowBank(bool show) { m_showBank = show; }
    int GetDisplayStyle() const { return m_style; }
    void SetDisplayStyle(int style) { m_style = style; }
    int GetBank() const { return m_bank; }
    void SetBank(int bank) { m_bank = bank; }
    int GetProgram() const { return m_program; }
    void SetProgram(int program) { m_program = program; }
    int GetFileKind() const { return m_kind; }
    const std::string& GetPath() const { return m_path; }
    // The entry of a voice item; null for a group or bank.
    MCProgramEntry* GetEntry(const QTreeWidgetItem* item) const;

private:
    void clearAll();
    void loadVoices(QTreeWidgetItem* top);
    void removeVoices(QTreeWidgetItem* top);
    void onExpanded(QTreeWidgetItem* item);
    void onCollapsed(QTreeWidgetItem* item);

    bool m_showProg = true;
    bool m_showBank = false;
    int m_style = byGroups;
    int m_kind = kindOther;
    int m_bank = -1;
    int m_program = -1;
    int m_bankFilter = -1;
    std::string m_path;
    std::map<const QTreeWidgetItem*, std::unique_ptr<MCProgramEntry>> m_entries;
    QIcon m_groupIcon;
    QIcon m_voiceIcon;
};
