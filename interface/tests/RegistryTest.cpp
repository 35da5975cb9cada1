#include "interface/tests/WidgetTestSupport.h"

#include "interface/core/MCRegistry.h"
#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegistryTest : public testing::Test {
protected:
    widgettest::ProfileFolder folder;
    plat::Profile& profile = plat::Profile::instance();

    std::vector<std::string> subKeys(const char* sub)
    {
        MCRegistry key;
        std::vector<std::string> names;
        if (!key.OpenAppKey(sub, 0) || !key.QueryKeyInfo())
            return names;
        std::string name, className;
        for (size_t i = 0; key.EnumerateKeys(i, name, className); ++i)
            names.push_back(name);
        EXPECT_EQ(names.size(), key.SubKeyCount());
        return names;
    }
};

// Runs first in its program, before any other MCRegistry is made.
TEST(RegistryAppKeyTest, TheAppKeyIsEmptyUntilTheFirstRegistryIsMade)
{
    EXPECT_EQ(MCRegistry::GetAppKey(), "");
    const MCRegistry registry(0);
    EXPECT_FALSE(registry.IsConnected());
    EXPECT_EQ(MCRegistry::GetAppKey(), "Software\\Tarnwick\\" + plat::Profile::application());
    EXPECT_EQ(MCRegistry::GetFullKey("Settings\\Parts"), MCRegistry::GetAppKey() + "\\Settings\\Parts");
}

TEST_F(RegistryTest, KeysOpenCreateAndListSortedWithoutRegardToCase)
{
    MCRegistry registry;
    EXPECT_EQ(registry.OpenAppKey("Settings\\Parts", 0), 0);
    EXPECT_EQ(registry.CreateAppKey("Settings\\Parts"), 1);
    // Made empty, it exists for this process.
    EXPECT_EQ(registry.OpenAppKey("Settings\\Parts", 0), 1);
    profile.setInt("Settings\\Parts\\violin", "Program", 40);
    profile.setInt("Settings\\Parts\\<Default>", "Program", 0);
    profile.setInt("Settings\\Parts\\Bass", "Program", 32);
    MCRegistry piano;
    ASSERT_EQ(piano.OpenAppKey("Settings\\Parts\\Piano", 1), 1);
    EXPECT_TRUE(piano.SetIntValue("Program", 1));
    EXPECT_TRUE(piano.SetStringValue("Name", "Grand"));
    int program = 0;
    std::string name;
    EXPECT_TRUE(piano.GetIntValue("Program", program));
    EXPECT_TRUE(piano.GetStringValue("Name", name));
    EXPECT_EQ(program, 1);
    EXPECT_EQ(name, "Grand");
    EXPECT_FALSE(piano.GetIntValue("Missing", program));

    EXPECT_EQ(subKeys("Settings\\Parts"), (std::vector<std::string>{"<Default>", "Bass", "Piano", "violin"}));
    EXPECT_EQ(subKeys("settings\\PARTS").size(), 4u);

    // Outside the program's key nothing opens.
    ToolkitRegistry outside;
    outside.Connect();
    EXPECT_FALSE(outside.OpenKey("Software\\Elsewhere\\Settings"));
    EXPECT_FALSE(outside.CreateKey("Software\\Elsewhere\\Settings"));
    // A key with subkeys left is not deleted by the plain deletion.
    EXPECT_FALSE(outside.DeleteKey(MCRegistry::GetFullKey("Settings\\Parts")));
}

TEST_F(RegistryTest, DeletingATreeTakesEveryLevelAndLeavesItsNeighbours)
{
    profile.setInt("Settings\\Interface\\Warnings\\11800", "DontWarn", 1);
    profile.setString("Settings\\Interface\\Warnings\\11800", "Title", "Delete Measures");
    profile.setInt("Settings\\Interface\\Warnings\\11801", "DontWarn", 1);
    profile.setInt("Settings\\Interface\\Warnings\\11801\\Deeper\\Deepest", "Value", 3);
    profile.setInt("Settings\\Interface\\Warnings", "Own", 2);
    profile.setInt("Settings\\Interface\\TimeEdit", "Format", 2);
    MCRegistry created;
    created.CreateAppKey("Settings\\Interface\\Warnings\\Empty\\Inner");

    MCRegistry registry;
    EXPECT_EQ(registry.DeleteAppKey("Settings\\Interface\\Warnings"), 1);
    EXPECT_EQ(registry.OpenAppKey("Settings\\Interface\\Warnings", 0), 0);
    EXPECT_TRUE(profile.sectionNames("Settings\\Interface\\Warnings").empty());
    EXPECT_FALSE(profile.contains("Settings\\Interface\\Warnings\\11800", "DontWarn"));
    EXPECT_EQ(profile.getInt("Settings\\Interface\\TimeEdit", "Format"), 2);
    EXPECT_EQ(subKeys("Settings\\Interface"), std::vector<std::string>{"TimeEdit"});

    // A key that is not there counts as deleted.
    EXPECT_EQ(registry.DeleteAppKey("Settings\\Interface\\Warnings"), 1);
    EXPECT_EQ(registry.DeleteAppKey("No\\Such\\Key"), 1);
}

// A store that refuses to delete one subkey: the deletion of the tree still ends.
class StubbornRegistry : public MCRegistry {
public:
    int calls = 0;
    int DoDeleteKey(const char* fullKey) override
    {
        ++calls;
        if (std::string(fullKey).ends_with("\\Locked"))
            return 1;  // as if the system refused: the key stays
        return MCRegistry::DoDeleteKey(fullKey);
    }
};

TEST_F(RegistryTest, ASubkeyThatCannotBeDeletedDoesNotMakeTheDeletionLoop)
{
    profile.setInt("Settings\\Chords\\Locked", "Type", 1);
    profile.setInt("Settings\\Chords\\Major", "Type", 0);
    profile.setInt("Settings\\Chords\\Minor", "Type", 2);
    StubbornRegistry registry;
    EXPECT_EQ(registry.DeleteAppKey("Settings\\Chords"), 1);
    EXPECT_EQ(registry.calls, 4);
    // The locked key stays, so its parent does too; its siblings are gone.
    EXPECT_EQ(subKeys("Settings\\Chords"), std::vector<std::string>{"Locked"});
}

}  // namespace
