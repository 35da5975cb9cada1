#include "inspector/core/InitInspector.h"
#include "inspector/pages/PCPerformance.h"
#include "inspector/pages/PCsqNote.h"
#include "inspector/pages/PCsqStaffAppearance.h"
#include "inspector/pages/PCsqStaffInstrument.h"
#include "inspector/pages/PCsqStaffPerform.h"
#include "inspector/tests/StaffPagesTestSupport.h"
#include "interface/document/CPluginInspector.h"
#include "notabase/model/EventTypes.h"

#include <gtest/gtest.h>

namespace {

// Pages of other kinds, registered around the library's own.
class LaterPage : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(LaterPage)
};
PLAT_IMPLEMENT_DYNCREATE(LaterPage, MCInspectorPage)

class MiddlePage : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(MiddlePage)
};
PLAT_IMPLEMENT_DYNCREATE(MiddlePage, MCInspectorPage)

const plat::RuntimeClass* classOf(plat::Object* page)
{
    return page ? page->runtimeClass() : nullptr;
}

TEST(InitInspectorTest, RegistersEachPageWhereItsOrderPutsIt)
{
    // Registered first, yet after the instrument page by their orders.
    CPluginInspector later(EventId::Staff, &LaterPage::classObject, 10);
    CPluginInspector middle(EventId::Staff, &MiddlePage::classObject, 3);
    CPluginInspector::AddPlugin(&later);
    CPluginInspector::AddPlugin(&middle);

    EXPECT_EQ(InitInspector(), 23);
    // A second start registers nothing twice.
    EXPECT_EQ(InitInspector(), 23);

    // A new page goes before the first of a greater order: the instrument page leads, the
    // appearance page follows the page of the same order registered before it.
    CPluginInspector::PageList pages;
    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Staff, pages));
    std::vector<const plat::RuntimeClass*> classes;
    for (plat::Object* page : pages)
        classes.push_back(classOf(page));
    EXPECT_EQ(classes, (std::vector<const plat::RuntimeClass*>{
                           &PCsqStaffInstrument::classObject, &MiddlePage::classObject,
                           &PCsqStaffAppearance::classObject, &LaterPage::classObject,
                           &PCsqStaffPerform::classObject}));
    // The same page object serves every request.
    CPluginInspector::PageList again;
    CPluginInspector::GetInspectors(EventId::Staff, again);
    EXPECT_EQ(again[0], pages[0]);

    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Performance, pages));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(classOf(pages[0]), &PCPerformance::classObject);
    // One page object serves every type mapped to its class.
    CPluginInspector::PageList notes, graceNotes;
    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Note, notes));
    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::GraceNote, graceNotes));
    EXPECT_EQ(notes, graceNotes);
    EXPECT_EQ(classOf(notes.at(0)), &PCsqNote::classObject);
    // The channel-mode page is the library's, but no registration gives it a type.
    EXPECT_FALSE(CPluginInspector::GetInspectors(EventId::ChannelMode, pages));

    CPluginInspector::RemovePlugin(&later);
    CPluginInspector::RemovePlugin(&middle);
    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Staff, pages));
    EXPECT_EQ(pages.size(), 3u);
}

}  // namespace
