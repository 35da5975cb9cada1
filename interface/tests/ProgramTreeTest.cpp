#include "interface/tests/WidgetTestSupport.h"

#include "interface/core/MCPaths.h"
#include "interface/pickers/MCProgramTree.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

class ProgramTreeTest : public testing::Test {
protected:
    widgettest::ProfileFolder folder;

    std::string write(const std::string& name, const std::string& text)
    {
        const std::string path = folder.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Two groups; the bass is in both; bank 1 holds the organ.
    std::string sample(const std::string& type, const std::string& name = "Sample.INI")
    {
        return write(name, "[Info]\nName=Sample\n" + type +
                               "[Banks]\n0=Main\n1=Extra\n[Groups]\nA=Keys\nB=Low\n"
                               "[Keys]\n1=Piano\n2=Organ,1\n3=Strings,,1\n4=Upright,0,6\n"
                               "[Low]\n1=Bass,0,5\n9=Tuba\n6=Double Bass\n[Spare]\n1=Never Listed\n");
    }
};

TEST_F(ProgramTreeTest, KindsTurnFileBanksIntoMidiBanks)
{
    struct Case {
        const char* type;
        int kind;
        int fileBank;
        int midiBank;
        int midiIn;
        int fileOut;
    };
    const Case cases[] = {
        {"", 0, 5, 0, 641, 0},
        {"Type=NoBank\n", 0, 5, 0, 641, 0},
        {"Type=BankMSB\n", 1, 5, 640, 641, 5},
        {"Type=BankMSBLSB\n", 2, 5, 5, 641, 641},
        {"Type=bankmsb\n", 3, 5, 5, 641, 641},
        {"Type=Other\n", 3, 200, 200, 7, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const std::string file = write("Kind.INI", std::string("[Info]\n") + c.type);
        EXPECT_EQ(MCProgramTree::GetFileType(file), c.kind);
        auto entry = MCProgramTree::NewProgramEntry(c.kind);
        entry->SetBank(c.fileBank);
        EXPECT_EQ(entry->GetMidiBank(), c.midiBank);
        EXPECT_EQ(entry->GetBankFromMidi(c.midiIn), c.fileOut);
    }
    // The MSB form keeps 7 bits.
    auto msb = MCProgramTree::NewProgramEntry(1);
    msb->SetBank(130);
    EXPECT_EQ(msb->GetMidiBank(), (130 << 7) & 0x3F80);
}

TEST_F(ProgramTreeTest, VoicesParseTheirTokensAndShowTheirNumbers)
{
    struct Case {
        const char* key;
        const char* value;
        const char* name;
        int bank;
        int program;
    };
    const Case cases[] = {
        {"1", "Piano", "Piano", 0, 0},     {"1", "Organ,3", "Organ", 3, 0},   {"7", "Harp,,2", "Harp", 2, 6},
        {"1", "Bass,0,5", "Bass", 0, 4},   {"x", "Pad", "Pad", 0, 255},      {"12", "Lead,,,4,,9", "Lead", 4, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const MCProgramTree::Voice voice = MCProgramTree::ParseVoice(c.key, c.value);
        EXPECT_EQ(voice.name, c.name);
        EXPECT_EQ(voice.bank, c.bank);
        EXPECT_EQ(voice.program, c.program);
    }
    const MCProgramTree::Voice piano{"Piano", 2, 0};
    EXPECT_EQ(MCProgramTree::DisplayName(piano, false, true), "01) Piano");
    EXPECT_EQ(MCProgramTree::DisplayName(piano, true, true), "B02: 01) Piano");
    EXPECT_EQ(MCProgramTree::DisplayName(piano, false, false), "Piano");
}

TEST_F(ProgramTreeTest, PatchNamesComeFromTheFirstGroupThatHasTheVoice)
{
    const std::string file = sample("Type=BankMSB\n");
    std::string container = "none", display = "none";
    EXPECT_TRUE(MCProgramTree::GetPatchName(file, 0, 4, container, display, 0, false, true));
    EXPECT_EQ(container, "Low");
    EXPECT_EQ(display, "05) Bass");
    // Program 6 of bank 0 is in both groups: the first in the group list names it.
    EXPECT_TRUE(MCProgramTree::GetPatchName(file, 0, 5, container, display, 0, false, true));
    EXPECT_EQ(container, "Keys");
    EXPECT_EQ(display, "06) Upright");
    EXPECT_TRUE(MCProgramTree::GetPatchName(file, 128, 1, container, display, 1, true, false));
    EXPECT_EQ(container, "Extra");
    EXPECT_EQ(display, "B01: Organ");
    container = display = "untouched";
    EXPECT_FALSE(MCProgramTree::GetPatchName(file, 0, 99, container, display, 0, false, true));
    EXPECT_EQ(container, "untouched");
    EXPECT_FALSE(MCProgramTree::GetPatchName(folder.path() + "/Missing.INI", 0, 0, container, display, 0, true, true));
    EXPECT_EQ(MCProgramTree::GetBankNumber(file, "Extra"), 1);
    EXPECT_EQ(MCProgramTree::GetBankNumber(file, "extra"), 0);

    // The one instrument whose LSB-0 requests are looked up as LSB 3.
    const std::string special = write("Roland SC-88 Pro.INI",
                                      "[Info]\nType=BankMSBLSB\n[Groups]\n1=G\n[G]\n1=Three,131\n2=Plain,129,2\n");
    EXPECT_TRUE(MCProgramTree::GetPatchName(special, 128, 0, container, display, 0, false, false));
    EXPECT_EQ(display, "Three");
    EXPECT_TRUE(MCProgramTree::GetPatchName(special, 129, 1, container, display, 0, false, false));
    EXPECT_EQ(display, "Plain");
}

TEST_F(ProgramTreeTest, TheTreeLoadsLazilyAndSelectsTheProgramInForce)
{
    const std::string file = sample("");
    MCProgramTree tree;
    tree.InitWindow();
    tree.LoadInstrument(file, 0, 0);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), "Keys");
    EXPECT_EQ(tree.topLevelItem(1)->childCount(), 0);  // not opened, not read
    ASSERT_NE(tree.currentItem(), nullptr);
    EXPECT_EQ(tree.currentItem()->text(0), "01) Piano");
    EXPECT_EQ(tree.GetEntry(tree.currentItem())->GetProgram(), 0);
    EXPECT_EQ(tree.GetEntry(tree.topLevelItem(0)), nullptr);
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 4);

    // Opening, closing and opening again shows the voices once.
    QTreeWidgetItem* low = tree.topLevelItem(1);
    low->setExpanded(true);
    EXPECT_EQ(low->childCount(), 3);
    low->setExpanded(false);
    EXPECT_EQ(low->childCount(), 0);
    low->setExpanded(true);
    EXPECT_EQ(low->childCount(), 3);
    tree.ExpandAll(true);
    EXPECT_EQ(low->childCount(), 3);

    // The same file again keeps the tree (the opened group keeps its voices); no program
    // clears the selection only. Refresh builds the tree anew, every group closed.
    tree.LoadInstrument(file, -1, 5);
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 4);
    EXPECT_TRUE(tree.selectedItems().isEmpty());
    EXPECT_EQ(tree.GetProgram(), 5);
    tree.Refresh();
    EXPECT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(tree.GetBank(), -1);

    // By banks: the voices of a bank from every group.
    tree.SetDisplayStyle(MCProgramTree::byBanks);
    tree.SetShowBank(true);
    tree.LoadInstrument(sample("Type=BankMSBLSB\n", "Banked.INI"), 1, 1);
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.topLevelItem(1)->text(0), "Extra");
    ASSERT_NE(tree.currentItem(), nullptr);
    EXPECT_EQ(tree.currentItem()->text(0), "B01: 02) Organ");
    tree.topLevelItem(1)->setExpanded(false);
    tree.topLevelItem(1)->setExpanded(true);
    EXPECT_EQ(tree.topLevelItem(1)->childCount(), 2);  // Organ and Strings
    EXPECT_EQ(tree.GetNextItemWithString("strings", tree.topLevelItem(1)->child(0), MCProgramTree::next, false),
              tree.topLevelItem(1)->child(1));
    EXPECT_EQ(tree.GetNextItemWithString("Extra", nullptr, MCProgramTree::next, true), tree.topLevelItem(1));
    EXPECT_EQ(tree.GetNextItemWithString("extra", nullptr, MCProgramTree::next, true), nullptr);
    EXPECT_EQ(tree.GetNextItemWithString("Organ", tree.topLevelItem(1), MCProgramTree::child, false),
              tree.topLevelItem(1)->child(0));
    EXPECT_EQ(tree.GetNextItemWithString("Extra", tree.topLevelItem(1)->child(1), MCProgramTree::parent, true),
              tree.topLevelItem(1));
    // The start itself is not tested.
    EXPECT_EQ(tree.GetNextItemWithString("Extra", tree.topLevelItem(1), MCProgramTree::next, true), nullptr);
    EXPECT_EQ(tree.GetNextItemWithString("main", tree.topLevelItem(1)->child(0), MCProgramTree::previousVisible, false),
              tree.topLevelItem(0));

    // A missing file is an empty tree.
    tree.LoadInstrument(folder.path() + "/Missing.INI", 0, 0);
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

// A search reaches the voices of closed groups, in the order of the tree, both ways, round once;
// the group of what it finds opens, and the groups it read only for the search close again.
TEST_F(ProgramTreeTest, FindingGoesThroughClosedGroups)
{
    MCProgramTree tree;
    tree.InitWindow();
    tree.LoadInstrument(sample(""), 0, 0);
    ASSERT_EQ(tree.currentItem()->text(0), "01) Piano");
    QTreeWidgetItem* keys = tree.topLevelItem(0);
    QTreeWidgetItem* low = tree.topLevelItem(1);
    ASSERT_EQ(low->childCount(), 0);

    QTreeWidgetItem* tuba = tree.FindInAllGroups("TUBA", tree.currentItem(), false, false);
    ASSERT_NE(tuba, nullptr);
    EXPECT_EQ(tuba->text(0), "09) Tuba");
    EXPECT_EQ(tuba->parent(), low);
    EXPECT_TRUE(low->isExpanded());
    // On from the last voice round to the first group; backwards from the first round to the last.
    EXPECT_EQ(tree.FindInAllGroups("piano", tuba, false, false), keys->child(0));
    EXPECT_EQ(tree.FindInAllGroups("bass", keys->child(0), true, false)->text(0), "06) Double Bass");
    EXPECT_EQ(tree.FindInAllGroups("Low", nullptr, false, true), low);
    EXPECT_EQ(tree.FindInAllGroups("low", nullptr, false, true), nullptr);
    // The start itself is found last.
    EXPECT_EQ(tree.FindInAllGroups("organ", keys->child(1), false, false), keys->child(1));

    low->setExpanded(false);
    ASSERT_EQ(low->childCount(), 0);
    EXPECT_EQ(tree.FindInAllGroups("flute", keys->child(0), false, false), nullptr);
    EXPECT_EQ(low->childCount(), 0) << "read for the search only";
    EXPECT_FALSE(low->isExpanded());
}

TEST_F(ProgramTreeTest, OurGeneralMidiDefinitionsInstalledBesideTheProgram)
{
    const std::string gm = MCGetAppPath("Instruments/General Midi.INI");
    std::string container, display;
    ASSERT_TRUE(MCProgramTree::GetPatchName(gm, 0, 0, container, display, 0, false, true));
    EXPECT_EQ(display, "01) Acoustic Grand Piano");
    EXPECT_EQ(container, "Piano");
    ASSERT_TRUE(MCProgramTree::GetPatchName(gm, 0, 127, container, display, 0, false, false));
    EXPECT_EQ(display, "Gunshot");
    ASSERT_TRUE(MCProgramTree::GetPatchName(gm, 0, 40, container, display, 0, false, false));
    EXPECT_EQ(display, "Violin");
    ASSERT_TRUE(MCProgramTree::GetPatchName(MCGetAppPath("Instruments/General Midi Drums.INI"), 0, 0, container,
                                            display, 0, false, false));
    EXPECT_EQ(display, "Standard Kit");

    MCProgramTree tree;
    tree.InitWindow();
    tree.resize(260, 300);
    tree.LoadInstrument(gm, 0, 48);
    ASSERT_NE(tree.currentItem(), nullptr);
    EXPECT_EQ(tree.currentItem()->text(0), "49) String Ensemble 1");
    tree.show();
    EXPECT_FALSE(widgettest::saveScreenshot(tree, "program-tree").empty());
}

}  // namespace
