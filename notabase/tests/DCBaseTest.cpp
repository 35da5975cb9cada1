#include "notabase/data/DCBase.h"
#include "notabase/plugins/CPluginData.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TEOtherData : public DCBase {
    PLAT_DECLARE_SERIAL(TEOtherData)
};
PLAT_IMPLEMENT_SERIAL(TEOtherData, DCBase, 1)

class DCBaseTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

}  // namespace

TEST_F(DCBaseTest, TheRegistryMakesComponentsByDataTypeAndElementId)
{
    TENote note;
    EXPECT_EQ(CPluginData::CreateData(1, &note), nullptr);
    EXPECT_EQ(note.GetData(1, 1), nullptr);
    EXPECT_EQ(note.GetData()->GetAt(3), nullptr);

    const CPluginData first(&TEData::classObject, 1, EventId::Note);
    const CPluginData second(&TEOtherData::classObject, 1, EventId::Note);
    CPluginData::AddPlugin(&first);
    CPluginData::AddPlugin(&second);
    EXPECT_EQ(CPluginData::GetDataClass(1, EventId::Note), &TEOtherData::classObject) << "the later one replaces";
    std::unique_ptr<DCBase> made(CPluginData::CreateData(1, &note));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->runtimeClass(), &TEOtherData::classObject);
    EXPECT_EQ(made->GetOwner(), &note);
    EXPECT_TRUE(made->IsDirty());
    std::unique_ptr<DCBase> unowned(CPluginData::CreateData(1, EventId::Note));
    ASSERT_TRUE(unowned);
    EXPECT_EQ(unowned->GetOwner(), nullptr);

    CPluginData::RemovePlugin(&first);
    EXPECT_EQ(CPluginData::GetDataClass(1, EventId::Note), nullptr) << "either registration clears the cell";
    EXPECT_EQ(note.GetData(1, 1), nullptr);
}

TEST_F(DCBaseTest, CellsOutsideTheTableAreRefused)
{
    for (const auto& [type, id] : {std::pair{6, 0}, {-1, 0}, {0, 75}, {0, -1}, {100000, 100000}}) {
        const CPluginData outside(&TEData::classObject, type, id);
        CPluginData::AddPlugin(&outside);
        EXPECT_EQ(CPluginData::GetDataClass(type, id), nullptr);
        EXPECT_EQ(CPluginData::CreateData(type, id), nullptr);
        CPluginData::RemovePlugin(&outside);
    }
    // Nothing spilled into a neighbouring cell.
    for (int type = 0; type < CPluginData::dataTypeCount; ++type) {
        for (int id = 0; id < EventId::Count; ++id)
            ASSERT_EQ(CPluginData::GetDataClass(type, id), nullptr) << type << " " << id;
    }

    // A class that makes no data component makes nothing.
    const CPluginData wrong(&TENote::classObject, 0, EventId::Note);
    CPluginData::AddPlugin(&wrong);
    EXPECT_EQ(CPluginData::CreateData(0, EventId::Note), nullptr);
}

TEST_F(DCBaseTest, TheRecordKeepsFlagWordAndValueInBothForms)
{
    TEData data(42);
    data.cell().SetCellWord(0x00A50003u);
    data.cell().SetValue(-123456);
    TENote owner;
    data.SetOwner(&owner);
    const auto bytes = storeWith([&](plat::Archive& a) {
        a.mapObject(&owner);
        data.Serialize(a);
    });
    TEData loaded;
    loadWith(bytes, [&](plat::Archive& a) {
        a.mapObject(&owner);
        loaded.Serialize(a);
    });
    EXPECT_EQ(loaded.cell().GetCellWord(), 0x00A50003u);
    EXPECT_EQ(loaded.cell().GetValue(), -123456);
    EXPECT_EQ(loaded.value, 42);
    EXPECT_EQ(loaded.GetOwner(), &owner);
    EXPECT_TRUE(loaded == data);

    // Before version 3: four bytes that mean nothing, then the flag word and the value.
    const auto old = storeWith([](plat::Archive& a) {
        a.writeU32(0xFFFFFFFFu);
        a.writeU32(0x00000002u);
        a.writeI32(77);
        a.writeObject(nullptr);
        a.writeI32(9);
    });
    ActiveVersion v2(2);
    TEData oldData;
    loadWith(old, [&](plat::Archive& a) { oldData.Serialize(a); });
    EXPECT_EQ(oldData.cell().GetCellWord(), 0x00000002u);
    EXPECT_FALSE(oldData.IsDirty());
    EXPECT_EQ(oldData.cell().GetValue(), 77);
    EXPECT_EQ(oldData.value, 9);
}

TEST_F(DCBaseTest, CopiesAndComparesTheCell)
{
    TEData a(1);
    a.cell().SetValue(5);
    TEData b(2);
    EXPECT_TRUE(a != b);
    TEData copy(a);
    EXPECT_TRUE(copy == a);
    EXPECT_EQ(copy.GetOwner(), nullptr);
    b.SetDirty(0);
    EXPECT_FALSE(b.IsDirty());
    b.SetDirty(3);
    EXPECT_TRUE(b.IsDirty());
}
