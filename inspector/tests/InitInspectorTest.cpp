#include "inspector/core/InitInspector.h"
#include "inspector/pages/PCPerformance.h"
#include "inspector/pages/PCsqStaffInstrument.h"
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

    EXPECT_EQ(InitInspector(), 2);
    // A second start registers nothing twice.
    EXPECT_EQ(InitInspector(), 2);

    CPluginInspector::PageList pages;
    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Staff, pages));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(classOf(pages[0]), &PCsqStaffInstrument::classObject);
    EXPECT_EQ(classOf(pages[1]), &MiddlePage::classObject);
    EXPECT_EQ(classOf(pages[2]), &LaterPage::classObject);
    // The same page object serves every request.
    CPluginInspector::PageList again;
    CPluginInspector::GetInspectors(EventId::Staff, again);
    EXPECT_EQ(again[0], pages[0]);

    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Performance, pages));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(classOf(pages[0]), &PCPerformance::classObject);
    // No page of this library serves a note.
    EXPECT_FALSE(CPluginInspector::GetInspectors(EventId::Note, pages));

    CPluginInspector::RemovePlugin(&later);
    CPluginInspector::RemovePlugin(&middle);
    ASSERT_TRUE(CPluginInspector::GetInspectors(EventId::Staff, pages));
    EXPECT_EQ(pages.size(), 1u);
}

}  // namespace
