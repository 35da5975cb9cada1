#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/ui/dialog/ChoiceKeeper.h"

#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace plat::ui {
namespace {

// A list of three rows with room below them, the middle one chosen.
class ChoiceKeeperTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_list.addItems({"None", "Staff Paper", "Slate"});
        m_list.resize(200, 200);
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
        m_list.setCurrentRow(1);
    }

    QPoint Below() const { return QPoint(20, m_list.visualItemRect(m_list.item(2)).bottom() + 40); }
    QPoint On(int row) const { return m_list.visualItemRect(m_list.item(row)).center(); }
    std::string Chosen() const
    {
        const QList<QListWidgetItem*> rows = m_list.selectedItems();
        return rows.isEmpty() ? std::string() : rows.front()->text().toStdString();
    }

    QListWidget m_list;
};

TEST_F(ChoiceKeeperTest, AnUnkeptListLosesItsChoiceToAClickOnNoRow)
{
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, Below());
    EXPECT_EQ(Chosen(), "");
}

TEST_F(ChoiceKeeperTest, TheChoiceStaysUnderClicksThatWouldClearIt)
{
    ChoiceKeeper::keep(m_list);
    ChoiceKeeper::keep(m_list);
    EXPECT_EQ(m_list.findChildren<QObject*>(QStringLiteral("plat_choice_keeper")).size(), 1);

    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, Below());
    EXPECT_EQ(Chosen(), "Staff Paper");
    QTest::mouseDClick(m_list.viewport(), Qt::LeftButton, {}, Below());
    EXPECT_EQ(Chosen(), "Staff Paper");
    QTest::mouseClick(m_list.viewport(), Qt::RightButton, {}, Below());
    EXPECT_EQ(Chosen(), "Staff Paper");
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, Qt::ControlModifier, On(1));
    EXPECT_EQ(Chosen(), "Staff Paper");
    EXPECT_TRUE(m_list.hasFocus());
}

TEST_F(ChoiceKeeperTest, TheUserStillChoosesAnotherRowAndCodeMayClear)
{
    ChoiceKeeper::keep(m_list);
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, On(2));
    EXPECT_EQ(Chosen(), "Slate");
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, Qt::ControlModifier, On(0));
    EXPECT_EQ(Chosen(), "None");
    m_list.clearSelection();
    EXPECT_EQ(Chosen(), "");
    // With nothing chosen there is nothing to keep: a click on no row is the view's.
    QTest::mouseClick(m_list.viewport(), Qt::LeftButton, {}, Below());
    EXPECT_EQ(Chosen(), "");
}

}  // namespace
}  // namespace plat::ui
