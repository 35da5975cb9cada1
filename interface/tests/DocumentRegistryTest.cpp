#include "DocumentTestSupport.h"

#include "interface/document/CPluginEffects.h"
#include "interface/document/CPluginInspector.h"
#include "interface/document/CPluginMusic.h"
#include "interface/document/CPluginPrefs.h"
#include "interface/document/CPluginView.h"
#include "interface/document/MCHotKey.h"
#include "interface/document/SCEffect.h"
#include "interface/document/SCHotKey.h"
#include "interface/document/SCNotationInfo.h"
#include "notabase/model/ECRest.h"
#include "platform/core/Resources.h"

namespace {

using namespace documenttest;

class PageA : public plat::Object {
    PLAT_DECLARE_DYNCREATE(PageA)
};
class PageB : public plat::Object {
    PLAT_DECLARE_DYNCREATE(PageB)
};
PLAT_IMPLEMENT_DYNCREATE(PageA, plat::Object)
PLAT_IMPLEMENT_DYNCREATE(PageB, plat::Object)

constexpr plat::Resources::Entry kStrings[] = {
    {9001, "C effect"}, {9002, "A effect"}, {9003, "B effect"}, {9010, "&Score View"}, {9011, "&Piano Roll"},
};

class DocumentRegistryTest : public ::testing::Test {
protected:
    plat::Resources::Registration m_strings{"DocumentRegistryTest", kStrings};
    plat::Resources::ModuleSwitch m_module{"DocumentRegistryTest"};
};

TEST_F(DocumentRegistryTest, EffectsGetIdsInOrderOfMakingAndMenusInOrderOfName)
{
    const unsigned first = CPluginEffects::GetNextCommandId();
    CPluginEffects c(EventId::Note, 9001, nullptr, &PageA::classObject);
    CPluginEffects a(EventId::Note, 9002, nullptr, &PageB::classObject);
    CPluginEffects b(EventId::Note, 9003, nullptr, nullptr);
    EXPECT_EQ(c.GetCommandID(), first);
    EXPECT_EQ(a.GetCommandID(), first + 1);
    EXPECT_EQ(b.GetCommandID(), first + 2);
    for (CPluginEffects* p : {&c, &a, &b})
        EXPECT_EQ(CPluginEffects::AddPlugin(p), 1);
    EXPECT_EQ(CPluginEffects::AddPlugin(&a), 0) << "registered once";
    const std::vector<MCMenuItem>* menu = CPluginEffects::GetMenu(EventId::Note);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(*menu, (std::vector<MCMenuItem>{{"A effect", first + 1}, {"B effect", first + 2}, {"C effect", first}}));
    EXPECT_EQ(CPluginEffects::GetMenu(EventId::Rest), nullptr);
    EXPECT_EQ(CPluginEffects::FindPlugin(first + 2), &b);

    // The state of an effect finds its registration; a gone registration is found no more.
    SCEffect state(5100);
    state.SetCommandID(first + 1);
    EXPECT_EQ(state.GetPlugin(), &a);
    {
        CPluginEffects late(EventId::Note, 9002, nullptr, nullptr);
        CPluginEffects::AddPlugin(&late);
        EXPECT_EQ(CPluginEffects::GetMenu(EventId::Note)->size(), 3u) << "a built popup is not rebuilt";
    }
    EXPECT_EQ(CPluginEffects::FindPlugin(first + 3), nullptr);
    {
        CPluginEffects copy(a);
        EXPECT_EQ(copy.GetCommandID(), a.GetCommandID());
    }
    EXPECT_EQ(CPluginEffects::FindPlugin(first + 1), &a) << "a copy going takes nothing with it";
    CPluginEffects::RemovePlugin(&a);
    EXPECT_EQ(state.GetPlugin(), nullptr);
    EXPECT_EQ(CPluginEffects::GetMenu(EventId::Note)->size(), 2u);

    // Combining lists by form class.
    CPluginEffects::List x = {&c, &a}, y = {&a, &b};
    struct Case {
        int operation;
        size_t size;
        int result;
    };
    for (const Case& k : {Case{1, 1, 1}, Case{2, 3, 1}, Case{3, 2, 1}, Case{4, 1, 1}, Case{5, 2, 1}, Case{6, 2, 0}}) {
        CPluginEffects::List l = x;
        EXPECT_EQ(CPluginEffects::CombineLists(l, y, k.operation), k.result) << k.operation;
        EXPECT_EQ(l.size(), k.size) << k.operation;
    }
}

TEST_F(DocumentRegistryTest, ViewsAreSortedByOrderAndListedWithTheirPlace)
{
    CPluginView score(&PageA::classObject, nullptr, "", 10, 9010, 5);
    CPluginView roll(&PageB::classObject, nullptr, "", 11, 9011, 1);
    CPluginView wrong(nullptr, nullptr, "", 500, 9011, 0);
    EXPECT_EQ(CPluginView::AddPlugin(&score), 1);
    EXPECT_EQ(CPluginView::AddPlugin(&roll), 1);
    EXPECT_EQ(CPluginView::AddPlugin(&wrong), 0) << "a view id in the effects' range";
    EXPECT_EQ(score.GetViewID(), 38640u);
    EXPECT_EQ(CPluginView::FindPlugin(38640u), &score);
    EXPECT_EQ(CPluginView::FindPlugin(&PageB::classObject), &roll);
    EXPECT_EQ(CPluginView::UpdateMenu(),
              (std::vector<MCMenuItem>{{"&1  &Piano Roll", 38641}, {"&2  &Score View", 38640}}));
    std::string title;
    EXPECT_EQ(score.LoadTitleString(title), 1);
    EXPECT_EQ(title, "Score View");
    {
        CPluginView copy(score);
        EXPECT_EQ(copy.GetViewID(), score.GetViewID());
    }
    EXPECT_EQ(CPluginView::GetPlugins().size(), 2u);
}

TEST_F(DocumentRegistryTest, PreferenceCategoriesAreListedOnceInOrderOfFirstRegistration)
{
    CPluginPrefs five(&PageA::classObject, 1, 5), one(&PageB::classObject, 1, 1), three(nullptr, 0, 3);
    for (CPluginPrefs* p : {&five, &one, &three})
        CPluginPrefs::AddPlugin(p);
    EXPECT_EQ(CPluginPrefs::GetPlugins(), (std::vector<CPluginPrefs*>{&one, &three, &five}));
    EXPECT_EQ(CPluginPrefs::UpdateMenu(), (std::vector<MCMenuItem>{{"Sequencer...", 38651}, {"General...", 38650}}));
    std::unique_ptr<plat::Object> page = one.GetPrefsPage();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->runtimeClass(), &PageB::classObject);
    EXPECT_EQ(three.GetPrefsPage(), nullptr);
}

TEST_F(DocumentRegistryTest, MusicPagesAreOwnedByTheirRegistrationAndNotShared)
{
    CPluginMusic first(&PageA::classObject, 2), second(&PageB::classObject, 1);
    CPluginMusic::AddPlugin(&first);
    CPluginMusic::AddPlugin(&second);
    const auto previous = CPluginMusic::SetTitleOf([](plat::Object* page) { return std::string(page->runtimeClass()->name); });
    EXPECT_EQ(CPluginMusic::UpdateMenu(), (std::vector<MCMenuItem>{{"PageB", 38960}, {"PageA", 38961}}));
    CPluginMusic::SetTitleOf(previous);
    plat::Object* page = first.GetMusicPage();
    EXPECT_EQ(first.GetMusicPage(), page);
    CPluginMusic copy(first);
    EXPECT_NE(copy.GetMusicPage(), page) << "a copy makes its own page, so each is deleted once";
}

TEST_F(DocumentRegistryTest, InspectorPagesAreThoseEverySelectedTypeHas)
{
    CPluginInspector noteA(EventId::Note, &PageA::classObject, 2);
    CPluginInspector noteB(EventId::Note, &PageB::classObject, 1);
    CPluginInspector restB(EventId::Rest, &PageB::classObject, 1);
    for (CPluginInspector* p : {&noteA, &noteB, &restB})
        CPluginInspector::AddPlugin(p);
    CPluginInspector::PageList pages;
    ASSERT_EQ(CPluginInspector::GetInspectors(EventId::Note, pages), 1);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0], noteB.GetInspectorPage()) << "sorted by order";
    EXPECT_EQ(noteB.GetInspectorPage(), restB.GetInspectorPage()) << "one page per class";

    plat::RefPtr<ECBase> note(new ECNote), rest(new ECRest);
    MCEventList selection;
    selection.AddTail(note.get());
    selection.AddTail(rest.get());
    ASSERT_EQ(CPluginInspector::GetInspectors(selection, pages), 1);
    EXPECT_EQ(pages, CPluginInspector::PageList{restB.GetInspectorPage()});
    MCEventList restFirst;
    restFirst.AddTail(rest.get());
    restFirst.AddTail(note.get());
    CPluginInspector::PageList other;
    CPluginInspector::GetInspectors(restFirst, other);
    EXPECT_EQ(CPluginInspector::ListsEqual(pages, other), 1);

    // The shared page stays while a registration of its class is left.
    CPluginInspector::RemovePlugin(&noteB);
    EXPECT_EQ(CPluginInspector::GetInspectors(EventId::Rest, other), 1);
    EXPECT_EQ(other.size(), 1u);
    CPluginInspector::RemovePlugin(&restB);
    EXPECT_EQ(CPluginInspector::FindPlugins(EventId::Rest, 0), nullptr);
    EXPECT_EQ(CPluginInspector::GetInspectors(selection, pages), 1) << "a type without pages is passed over";
    EXPECT_EQ(pages, CPluginInspector::PageList{noteA.GetInspectorPage()});
    EXPECT_EQ(CPluginInspector::GetInspectors(restFirst, pages), 0) << "unless it comes first";
}

TEST(DocumentHotKeyTest, HotKeysCompareAndSendTheirCommandOrState)
{
    MCHotKey key;
    key.SetInput('K', 1, 0, 1);
    key.SetAllowRepeat(1);
    EXPECT_EQ(key.CompareInput('K', 1, 0, 1), 1);
    EXPECT_EQ(key.CompareInput('K', 1, 0, 0), 0);
    EXPECT_EQ(key.CompareInput('L', 1, 0, 1), 0);
    MCHotKey copy(key);
    EXPECT_EQ(copy.CompareInput('K', 1, 0, 1), 1);
    EXPECT_EQ(copy.CompareOutput(0), 1);
    EXPECT_EQ(copy.GetAllowRepeat(), 1);

    std::vector<uint16_t> sent;
    const auto previous = MCHotKey::SetCommandSender([&](uint16_t command) { sent.push_back(command); });
    // Without an output and without a document: nothing.
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
    key.Apply();
    EXPECT_TRUE(sent.empty());
    key.SetOutput(0x1E100 + 7);
    key.Apply();
    EXPECT_EQ(sent, std::vector<uint16_t>{0xE107});
    MCHotKey::SetCommandSender(previous);
}

TEST(DocumentNotationInfoTest, ItemsExistForTheKindsAskedFor)
{
    plat::RefPtr<ECBase> note(new ECNote);
    SCNotationInfo info(SCNotationInfo::kRequest);
    EXPECT_EQ(info.IsSynchronous(), 1);
    EXPECT_EQ(info.IsAutoDelete(), 0);
    int value = 5;
    EXPECT_EQ(info.GetInfo(note.get(), 1, value), 0) << "no kinds before the code is set";
    EXPECT_EQ(value, 5);
    info.SetInfoCode(0x5);
    EXPECT_EQ(info.GetKindCount(), 3);
    info.SetInfoCode(0x10);
    EXPECT_EQ(info.GetKindCount(), 3) << "no kind bit: the count stays";
    plat::RefPtr<ECBase> other(new ECNote);
    MCTime time;
    EXPECT_EQ(info.GetInfo(other.get(), 1, time), 1) << "an unanswered item reads its initial zero";
    EXPECT_EQ(time, MCTime(0.0f));
    info.SetInfo(note.get(), 1, MCTime(2.5f));
    info.SetInfo(note.get(), 2, uint8_t(200));
    info.SetInfo(note.get(), 4, uint16_t(60000));
    info.SetInfo(note.get(), 8, 99);
    EXPECT_EQ(info.GetInfo(note.get(), 1, time), 1);
    EXPECT_EQ(time, MCTime(2.5f));
    uint8_t byte = 0;
    EXPECT_EQ(info.GetInfo(note.get(), 2, byte), 1);
    EXPECT_EQ(byte, 200);
    uint16_t word = 0;
    EXPECT_EQ(info.GetInfo(note.get(), 4, word), 1);
    EXPECT_EQ(word, 60000);
    EXPECT_EQ(info.GetInfo(note.get(), 8, value), 0) << "kind 8 is past the array";
    EXPECT_EQ(info.GetInfo(note.get(), 3, value), 0);
    EXPECT_EQ(info.GetInfoMap().size(), 2u);
}

}  // namespace

namespace {

using namespace documenttest;

class DocumentHotKeyStateTest : public DocumentTest {};

TEST_F(DocumentHotKeyStateTest, AHotKeyWithoutACommandReachesTheActiveDocumentAsState5002)
{
    MCOpusDoc doc;
    FillPiece(doc, 1, 1);
    std::vector<std::pair<long, MCHotKey*>> seen;
    plat::Connection view = doc.AddView([&](long hint, SCBase* state) {
        if (auto* hotKey = dynamic_cast<SCHotKey*>(state))
            seen.emplace_back(hint, hotKey->GetHotKey());
    });
    MCHotKey key;
    key.Apply();
    EXPECT_TRUE(seen.empty()) << "no active document";
    MCOpusDoc::SetActiveDoc(&doc);
    key.Apply();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, 5002);
    EXPECT_EQ(seen[0].second, &key);
}

}  // namespace
