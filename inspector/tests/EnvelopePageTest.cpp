#include "NotePagesTestSupport.h"

#include "inspector/pages/PCsqEnvelope.h"

#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECConductorStaff.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

using namespace notepagestest;

class EnvelopePageTest : public NotePagesTest {
public:
    void SetUp() override
    {
        NotePagesTest::SetUp();
        m_tempo = Performance()->GetConductor()->GetConductorStaff()->GetTempoEnv();
        ASSERT_NE(m_tempo, nullptr);
        m_tempo->SetEnvelopeName("Tempo");
        m_tempo->SetEnvelopeComment("Steady");
        m_tempo->SetMinDeltaTime(MCTime(0.25f));
        m_controller->SetEnvelopeName("Volume");
        m_controller->SetEnvelopeComment("Steady");
        m_controller->SetMinDeltaTime(MCTime(0.25f));
    }
    using Envelopes = std::vector<std::vector<std::string>>;
    Envelopes Fields()
    {
        Envelopes all;
        for (ECEnvelope* e : {static_cast<ECEnvelope*>(m_tempo), static_cast<ECEnvelope*>(m_controller.get())})
            all.push_back({e->GetEnvelopeName(), e->GetEnvelopeComment(),
                           std::to_string(e->GetMinDeltaTime().GetSeconds())});
        return all;
    }
    QLineEdit* Name() { return plat::ui::item<QLineEdit>(&m_page, PCsqEnvelope::kName); }
    QPlainTextEdit* Comment() { return plat::ui::item<QPlainTextEdit>(&m_page, PCsqEnvelope::kComment); }

    ECTempoEnv* m_tempo = nullptr;
    plat::RefPtr<ECControllerEnv> m_controller{new ECControllerEnv};
    PCsqEnvelope m_page;
};

TEST_F(EnvelopePageTest, ATempoMapAndAControllerEnvelopeShareThePageAndItsMergedFields)
{
    using S = PCsqEnvelope::FieldState;
    Select({m_tempo, m_controller.get()});
    Show(m_page);
    EXPECT_EQ(m_page.GetFieldState(PCsqEnvelope::fieldName), S::stateMixed);
    EXPECT_EQ(Name()->text(), "");
    EXPECT_EQ(m_page.GetFieldState(PCsqEnvelope::fieldComment), S::stateCommon);
    EXPECT_EQ(Comment()->toPlainText(), "Steady");
    EXPECT_EQ(m_page.GetFieldState(PCsqEnvelope::fieldSpacing), S::stateCommon);
    EXPECT_EQ(m_page.GetSpacing(), MCTime(0.25f));
    EXPECT_FALSE(m_page.IsModified()) << "loading the edits changes nothing";
    auto* spacing = plat::ui::itemWidget(&m_page, PCsqEnvelope::kSpacing);
    ASSERT_NE(spacing, nullptr);
    EXPECT_TRUE(spacing->isHidden());
    EXPECT_FALSE(spacing->isEnabled());

    m_controller->SetMinDeltaTime(MCTime(0.5f));
    m_tempo->SetEnvelopeComment("Rushing");
    Show(m_page);
    EXPECT_EQ(m_page.GetFieldState(PCsqEnvelope::fieldComment), S::stateMixed);
    EXPECT_EQ(Comment()->toPlainText(), "");
    EXPECT_EQ(m_page.GetFieldState(PCsqEnvelope::fieldSpacing), S::stateMixed);
    EXPECT_EQ(m_page.GetSpacing(), MCTime::TimeNull());
    EXPECT_FALSE(m_page.IsModified());
}

TEST_F(EnvelopePageTest, ApplyWritesWhatWasTypedToEveryEnvelopeAndOneUndoTakesItBack)
{
    struct Case {
        const char* name;
        std::function<void(EnvelopePageTest&)> edit;
        Envelopes after;
    };
    const std::vector<Case> cases = {
        {"a comment of several lines",
         [](EnvelopePageTest& t) {
             t.Comment()->setFocus();
             t.Comment()->selectAll();
             QTest::keyClicks(t.Comment(), "Slow");
             QTest::keyClick(t.Comment(), Qt::Key_Return);
             QTest::keyClicks(t.Comment(), "then faster");
         },
         {{"Tempo", "Slow\nthen faster", "0.250000"}, {"Volume", "Slow\nthen faster", "0.250000"}}},
        {"a name; the other fields stay as they were",
         [](EnvelopePageTest& t) { QTest::keyClicks(t.Name(), "Swell"); },
         {{"Swell", "Steady", "0.250000"}, {"Swell", "Steady", "0.250000"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_tempo->SetEnvelopeComment("Steady");
        Select({m_tempo, m_controller.get()});
        Show(m_page);
        const Envelopes before = Fields();
        c.edit(*this);
        EXPECT_TRUE(m_page.IsModified());
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(Fields(), c.after);
        EXPECT_EQ(UndoName(), "Undo Edit ");
        m_doc.OnEditUndo();
        EXPECT_EQ(Fields(), before);
    }
}

TEST_F(EnvelopePageTest, ApplyingWithoutTypingLeavesDifferentNamesAsTheyWere)
{
    Select({m_tempo, m_controller.get()});
    Show(m_page);
    // Something else was changed: the mixed, empty name is not written.
    QTest::keyClicks(Comment(), "!");
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(m_tempo->GetEnvelopeName(), "Tempo");
    EXPECT_EQ(m_controller->GetEnvelopeName(), "Volume");
    EXPECT_EQ(m_tempo->GetEnvelopeComment(), "!Steady");
}

TEST_F(EnvelopePageTest, Screenshot)
{
    Select({m_tempo, m_controller.get()});
    Show(m_page);
    EXPECT_FALSE(Screenshot(m_page, "inspector-envelope-page-mixed-name").empty());
}

}  // namespace
