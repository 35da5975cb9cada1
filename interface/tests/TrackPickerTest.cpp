#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"

#include "interface/pickers/MCTrackBox.h"
#include "interface/pickers/MCTrackCheckList.h"
#include "interface/pickers/MCTrackList.h"
#include "notabase/model/ECText.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int> parse(const std::string& text)
{
    std::vector<int> numbers = {99};
    MCTrackBox::ParseStringForTracks(text, numbers);
    return numbers;
}

TEST(TrackTextTest, NumbersAndRangesAreReadStrictly)
{
    EXPECT_EQ(parse("1, 2, 3"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(parse("1-3, 4, 5-10"), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(parse("3-1"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(parse("2 2;1-2"), (std::vector<int>{2, 1}));
    EXPECT_EQ(parse("  4 ,,: ; 6  "), (std::vector<int>{4, 6}));
    EXPECT_EQ(parse(""), std::vector<int>{});
    // What is not a track number is refused, not read as another number.
    for (const char* bad : {"abc", "2, x", "-4", "4-", "0", "1-0", "3a", "1--3", "1-2-3", "99999999999", "1-100000"})
        EXPECT_EQ(parse(bad), std::vector<int>{}) << bad;
}

class TrackPickerTest : public documenttest::DocumentTest {
protected:
    widgettest::ProfileFolder folder;
    MCOpusDoc doc;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 4, 1);
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        const char* names[] = {"Melody", nullptr, "", "Bass\nline"};
        for (int staff = 1; staff <= 4; ++staff) {
            if (!names[staff - 1])
                continue;
            ECTrack* track = conductor->GetTrack(1, staff, 0);
            ASSERT_NE(track, nullptr);
            track->AddChild(new ECText(3, names[staff - 1]), 1);
        }
    }
};

class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    std::vector<std::pair<int, int>> notices;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }
};

TEST_F(TrackPickerTest, TheNamedTracksAreListedAndNumbered)
{
    MCTrackBox box;
    box.SetDisplayTrackNum(true);
    box.SetDocument(&doc);
    ASSERT_EQ(box.count(), 3);
    EXPECT_EQ(box.itemText(0), " 1)  Melody");
    EXPECT_EQ(box.itemText(1), " 2)  Track 2");
    EXPECT_EQ(box.itemText(2), " 3)  Bass");
    box.setCurrentIndex(2);
    std::vector<int> tracks;
    EXPECT_EQ(box.GetTracks(tracks), 1);
    EXPECT_EQ(tracks, std::vector<int>{4});

    MCTrackList list;
    list.SetDocument(&doc);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0)->text(), "Melody");
    EXPECT_EQ(list.GetTrack(0)->GetTrack(), 1);

    MCTrackCheckList checks;
    checks.SetDocument(&doc);
    ASSERT_EQ(checks.GetItemCount(), 3);
    EXPECT_FALSE(checks.GetCheck(0));
    checks.SetCheck(0, true);
    checks.SetCheck(2, true);
    MCEventList chosen;
    EXPECT_EQ(checks.GetSelectedTracks(chosen), 2);
    EXPECT_EQ(chosen.GetHead()->GetTrack(), 1);
    EXPECT_EQ(chosen.GetTail()->GetTrack(), 4);
    chosen.RemoveAll();

    MCTrackBox none;
    none.SetDocument(nullptr);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.GetTracks(tracks), 0);
}

TEST_F(TrackPickerTest, TypedTracksAreTakenOnEnterOrRefusedWithTheMessage)
{
    NoticeWindow window;
    auto* box = new MCTrackBox(&window);
    plat::ui::setItemId(box, 4000);
    box->SetEditable(true);
    box->insertItem(0, "All Tracks");
    box->SetDocument(&doc, false);
    box->addItem("Melody", QVariant::fromValue(quintptr(0)));
    window.show();
    box->setFocus();
    box->setCurrentIndex(0);
    std::vector<int> tracks;
    EXPECT_EQ(box->GetTracks(tracks), 4);  // the first entry without a track: every staff

    box->lineEdit()->setText("3-1, 4");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->currentText(), "3-1, 4");
    EXPECT_EQ(box->count(), 3);
    tracks.clear();
    EXPECT_EQ(box->GetTracks(tracks), 4);
    EXPECT_EQ(tracks, (std::vector<int>{1, 2, 3, 4}));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.notices, (std::vector<std::pair<int, int>>{{0, 0x3100}}));

    // The text of an entry selects it and adds nothing.
    box->lineEdit()->setText("all tracks");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_EQ(box->count(), 3);

    box->lineEdit()->setText("two and three");
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0],
              "Please enter a valid combination of track numbers such as 1, 2, 3 or 1-3, 4, 5-10");
    EXPECT_EQ(box->count(), 3);
}

}  // namespace
