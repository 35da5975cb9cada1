// A view plug-in for the program's tests: two plain views ("Score" and "Piano Roll") that
// show their document's title, so that documents open, get frames and can be looked at.
// A view changes the document QUAVIX_TEST_VIEW_EDITS names by title when it first shows it, as
// a user's edit would, so a test of the whole program has work to lose.
// It is built into a folder of the tests and never installed beside the program.

#include "interface/document/CPluginView.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusWnd.h"
#include "platform/core/Resources.h"
#include "platform/core/Trace.h"
#include "platform/ui/resource/MenuResources.h"

#include <QPainter>
#include <QWidget>

#include <cstdlib>

#define TEST_VIEW_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kModule = "TestView";

class TestViewBase : public QWidget, public plat::Object {
public:
    int InitialUpdates() const { return m_initialUpdates; }

protected:
    TestViewBase(QColor paper, const char* kind) : m_paper(paper), m_kind(kind)
    {
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(240, 160);
    }
    bool event(QEvent* e) override
    {
        if (e->type() == MCOpusWnd::InitialUpdateEvent()) {
            ++m_initialUpdates;
            if (MCOpusWnd* frame = MCOpusWnd::FrameOf(this); frame && frame->GetDocument()) {
                m_title = QString::fromStdString(frame->GetDocument()->GetTitle());
                if (const char* edited = std::getenv("QUAVIX_TEST_VIEW_EDITS");
                    edited && frame->GetDocument()->GetTitle() == edited) {
                    frame->GetDocument()->SetModifiedFlag(1);
                    plat::trace("TestView -- changed %s", frame->GetDocument()->GetTitle().c_str());
                }
            }
            update();
            return true;
        }
        return QWidget::event(e);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), m_paper);
        p.setPen(QColor(60, 60, 60));
        for (int line = 0; line < 5; ++line)
            p.drawLine(20, 50 + line * 8, width() - 20, 50 + line * 8);
        p.drawText(rect().adjusted(20, 10, -20, -10), Qt::AlignLeft | Qt::AlignTop,
                   QString("%1: %2").arg(m_kind, m_title));
    }

private:
    QColor m_paper;
    QString m_kind;
    QString m_title;
    int m_initialUpdates = 0;
};

class TestScoreView : public TestViewBase {
    PLAT_DECLARE_DYNCREATE(TestScoreView)
public:
    TestScoreView() : TestViewBase(QColor(252, 250, 240), "Score") {}
};
PLAT_IMPLEMENT_DYNCREATE(TestScoreView, plat::Object)

class TestRollView : public TestViewBase {
    PLAT_DECLARE_DYNCREATE(TestRollView)
public:
    TestRollView() : TestViewBase(QColor(235, 245, 252), "Piano Roll") {}
};
PLAT_IMPLEMENT_DYNCREATE(TestRollView, plat::Object)

constexpr plat::Resources::Entry kStrings[] = {
    {9100, "&Score"},
    {9101, "&Piano Roll"},
};
const plat::Resources::Registration strings(kModule, kStrings);

const plat::ui::MenuResources::Menu kMenus[] = {
    {9100, {{33240, "Show &Palette", {}}, {0, "", {}}, {33242, "Show &Inspector", {}}}},
};
const plat::ui::MenuResources::Registration menus(kModule, kMenus);

}  // namespace

TEST_VIEW_EXPORT unsigned int GetPluginVersion()
{
    return 1;
}

TEST_VIEW_EXPORT void InitPlugins()
{
    static CPluginView score(&TestScoreView::classObject, &MCOpusWnd::classObject, kModule, 0, 9100, 1);
    static CPluginView roll(&TestRollView::classObject, &MCOpusWnd::classObject, kModule, 1, 9101, 2);
    CPluginView::AddPlugin(&score);
    CPluginView::AddPlugin(&roll);
}
