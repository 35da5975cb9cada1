#include "app/core/CHotKeyTable.h"
#include "interface/document/MCHotKey.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include "platform/ui/tests/UiTestEnvironment.h"

namespace {

class HotKeyTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_table.AddDefaults();
        m_previous = MCHotKey::SetCommandSender([this](uint16_t id) { m_sent.push_back(id); });
    }
    void TearDown() override { MCHotKey::SetCommandSender(m_previous); }

    CHotKeyTable m_table;
    std::vector<unsigned> m_sent;
    MCHotKey::CommandSender m_previous;
};

TEST_F(HotKeyTableTest, DefaultTable)
{
    struct Row {
        unsigned key;
        unsigned command;
        int repeat;
    };
    const Row rows[] = {{'O', 773, 0}, {'P', 778, 0}, {'R', 775, 0},   {'S', 777, 0},   {'W', 781, 0},
                        {'F', 782, 0}, {'G', 38670, 0}, {'X', 33270, 0}, {32, 0, 0},      {'T', 774, 1},
                        {37, 0, 1},    {39, 0, 1},    {38, 0, 1},      {40, 0, 1}};
    ASSERT_EQ(m_table.Entries().size(), std::size(rows));
    for (const Row& row : rows) {
        const MCHotKey* entry = m_table.Find(row.key, 0, 0, 0);
        ASSERT_NE(entry, nullptr) << row.key;
        EXPECT_EQ(entry->GetOutput(), row.command) << row.key;
        EXPECT_EQ(entry->GetAllowRepeat(), row.repeat) << row.key;
        EXPECT_EQ(entry->GetControl() + entry->GetAlt() + entry->GetShift(), 0) << row.key;
    }
}

TEST_F(HotKeyTableTest, TranslateHonoursSwitchModifiersAndRepeat)
{
    EXPECT_EQ(m_table.Translate('P', 0, 0, 0, false), 0) << "the table starts disabled";
    m_table.Enable(1);
    EXPECT_EQ(m_table.Translate('P', 0, 0, 0, false), 1);
    EXPECT_EQ(m_table.Translate('P', 0, 0, 0, true), 1) << "a held P is swallowed";
    EXPECT_EQ(m_table.Translate('T', 0, 0, 0, false), 1);
    EXPECT_EQ(m_table.Translate('T', 0, 0, 0, true), 1);
    EXPECT_EQ(m_table.Translate('P', 1, 0, 0, false), 0) << "Ctrl+P";
    EXPECT_EQ(m_table.Translate('P', 0, 1, 0, false), 0) << "Alt+P";
    EXPECT_EQ(m_table.Translate('P', 0, 0, 1, false), 0) << "Shift+P";
    EXPECT_EQ(m_table.Translate('Q', 0, 0, 0, false), 0) << "no entry";
    EXPECT_EQ(m_sent, (std::vector<unsigned>{778, 774, 774})) << "play once, step twice";
    m_table.Enable(0);
    EXPECT_EQ(m_table.Translate('S', 0, 0, 0, false), 0);
    EXPECT_EQ(m_sent.size(), 3u);
}

TEST_F(HotKeyTableTest, KeysOfQtAndWidgetsThatKeepThem)
{
    EXPECT_EQ(CHotKeyTable::VirtualKey(Qt::Key_P), unsigned('P'));
    EXPECT_EQ(CHotKeyTable::VirtualKey(Qt::Key_Space), 32u);
    EXPECT_EQ(CHotKeyTable::VirtualKey(Qt::Key_Left), 37u);
    EXPECT_EQ(CHotKeyTable::VirtualKey(Qt::Key_Down), 40u);
    EXPECT_EQ(CHotKeyTable::VirtualKey(Qt::Key_F1), 0u);
    QLineEdit edit;
    QComboBox combo;
    QListWidget list;
    QPushButton button;
    QTableView table;
    EXPECT_TRUE(CHotKeyTable::KeepsKeys(&edit));
    EXPECT_TRUE(CHotKeyTable::KeepsKeys(&combo));
    EXPECT_TRUE(CHotKeyTable::KeepsKeys(&list));
    EXPECT_FALSE(CHotKeyTable::KeepsKeys(&button));
    EXPECT_FALSE(CHotKeyTable::KeepsKeys(&table));
    EXPECT_FALSE(CHotKeyTable::KeepsKeys(nullptr));
}

}  // namespace
