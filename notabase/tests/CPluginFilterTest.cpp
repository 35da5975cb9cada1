#include "notabase/layers/LCBase.h"
#include "notabase/plugins/CPluginFilter.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class TLQuantize : public LCBase {
    PLAT_DECLARE_SERIAL(TLQuantize)
};
PLAT_IMPLEMENT_SERIAL(TLQuantize, LCBase, 1)

class TLThin : public LCBase {
    PLAT_DECLARE_SERIAL(TLThin)
};
PLAT_IMPLEMENT_SERIAL(TLThin, LCBase, 1)

// Registrations live as long as the process, as a library's would.
CPluginFilter& registration(const std::string& key, unsigned code, const plat::RuntimeClass* cls)
{
    static std::vector<std::unique_ptr<CPluginFilter>> kept;
    CPluginFilter& plugin = *kept.emplace_back(std::make_unique<CPluginFilter>());
    plugin.SetFilterClassKey(key);
    plugin.SetFilterCode(code);
    plugin.SetFilterClass(cls);
    return plugin;
}

}  // namespace

TEST(CPluginFilter, TheFirstRegistrationOfAKeyWins)
{
    CPluginFilter& first = registration("FilterTest.Quantize", 9101, &TLQuantize::classObject);
    CPluginFilter& second = registration("FilterTest.Quantize", 9102, &TLThin::classObject);
    CPluginFilter::AddPlugin(&first);
    CPluginFilter::AddPlugin(&second);
    CPluginFilter::RemovePlugin(&first);
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string_view("FilterTest.Quantize")), &first);
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string_view("filtertest.quantize")), nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin(9101u), &first);
    EXPECT_EQ(CPluginFilter::FindPlugin(9102u), nullptr);
    EXPECT_EQ(CPluginFilter::FindPlugin(&TLQuantize::classObject), &first);

    std::unique_ptr<LCBase> byKey = CPluginFilter::CreateFilter("FilterTest.Quantize");
    std::unique_ptr<LCBase> byCode = CPluginFilter::CreateFilter(9101u);
    ASSERT_TRUE(byKey && byCode);
    EXPECT_EQ(byKey->runtimeClass(), &TLQuantize::classObject);
    EXPECT_EQ(byCode->runtimeClass(), &TLQuantize::classObject);
    EXPECT_EQ(CPluginFilter::CreateFilter(987654u), nullptr);
    EXPECT_EQ(CPluginFilter::CreateFilter("FilterTest.Nothing"), nullptr);
}

TEST(CPluginFilter, KeepsLongKeysWholeAndMakesLayersOnly)
{
    const std::string key51(51, 'k');
    const std::string key60 = key51 + "-different";
    CPluginFilter& a = registration(key51, 9201, &TLThin::classObject);
    CPluginFilter& b = registration(key60, 9202, &TLThin::classObject);
    CPluginFilter::AddPlugin(&a);
    CPluginFilter::AddPlugin(&b);
    EXPECT_EQ(a.GetFilterClassKey(), key51);
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string_view(key51)), &a);
    EXPECT_EQ(CPluginFilter::FindPlugin(std::string_view(key60)), &b);

    // A registration that names a class which is no processing layer makes nothing.
    CPluginFilter& wrong = registration("FilterTest.NotALayer", 9203, &TENote::classObject);
    CPluginFilter::AddPlugin(&wrong);
    EXPECT_EQ(CPluginFilter::CreateFilter("FilterTest.NotALayer"), nullptr);
    CPluginFilter& none = registration("FilterTest.NoClass", 9204, nullptr);
    CPluginFilter::AddPlugin(&none);
    EXPECT_EQ(CPluginFilter::CreateFilter(9204u), nullptr);

    CPluginFilter copy(a);
    EXPECT_EQ(copy.GetFilterClassKey(), key51);
    EXPECT_EQ(copy.GetFilterCode(), 9201u);
    EXPECT_EQ(copy.GetFilterClass(), &TLThin::classObject);
}

TEST(LCBase, StoresItsTwoBytes)
{
    TLQuantize layer;
    EXPECT_EQ(layer.IsEnabled(), 1);
    EXPECT_EQ(layer.GetPriority(), 0);
    layer.SetEnabled(0x100);
    layer.SetPriority(0x1FF);
    EXPECT_EQ(layer.IsEnabled(), 0);
    EXPECT_EQ(layer.GetPriority(), 0xFF);

    const auto bytes = storeWith([&](plat::Archive& archive) { layer.Serialize(archive); });
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0xFF}));
    TLQuantize loaded;
    loadWith(bytes, [&](plat::Archive& archive) { loaded.Serialize(archive); });
    EXPECT_TRUE(loaded == layer);

    TLThin other;
    other.Copy(&layer);
    EXPECT_TRUE(other == layer);
}
