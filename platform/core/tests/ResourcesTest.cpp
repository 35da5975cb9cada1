#include "platform/core/Resources.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace plat {
namespace {

constexpr Resources::Entry kProgramStrings[] = {
    {100, "program 100"},
    {101, "program 101"},
    {102, ""},
};

// Registers a program module and a library module for the test and restores the program
// module's name afterwards; module names are the test's own, as the registry is shared.
class ResourcesTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_previousProgram = Resources::programModule();
        Resources::setProgramModule("TestProgram");
        Resources::registerModule("TestProgram", kProgramStrings);
        Resources::registerModule("TestLibrary", {{100, "library 100"}, {200, "library 200"}});
    }

    void TearDown() override
    {
        Resources::unregisterModule("TestProgram");
        Resources::unregisterModule("TestLibrary");
        Resources::setProgramModule(m_previousProgram);
    }

    std::string m_previousProgram;
};

TEST_F(ResourcesTest, LookupFallsBackToTheProgram)
{
    struct Case {
        uint32_t id;
        const char* inProgram;
        const char* inLibrary;
    };
    const Case cases[] = {
        {100, "program 100", "library 100"},
        {101, "program 101", "program 101"},
        {200, "", "library 200"},
        {102, "", ""},
        {999, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(Resources::string(c.id), c.inProgram);
        const Resources::ModuleSwitch toLibrary("TestLibrary");
        EXPECT_EQ(Resources::string(c.id), c.inLibrary);
    }

    // A module that registered nothing reads the program's texts.
    const Resources::ModuleSwitch toUnknown("NotRegistered");
    EXPECT_EQ(Resources::string(100), "program 100");
}

TEST_F(ResourcesTest, SwitchesNestAndRestore)
{
    EXPECT_EQ(Resources::currentModule(), "TestProgram");
    {
        const Resources::ModuleSwitch outer("TestLibrary");
        EXPECT_EQ(Resources::currentModule(), "TestLibrary");
        {
            const Resources::ModuleSwitch inner("TestProgram");
            EXPECT_EQ(Resources::string(100), "program 100");
            {
                const Resources::ModuleSwitch innermost("TestLibrary");
                EXPECT_EQ(Resources::string(100), "library 100");
            }
            EXPECT_EQ(Resources::string(100), "program 100");
        }
        EXPECT_EQ(Resources::string(100), "library 100");

        // The switch belongs to this thread; another still reads the program's module.
        std::string seen;
        std::thread([&seen] { seen = Resources::string(100); }).join();
        EXPECT_EQ(seen, "program 100");
    }
    EXPECT_EQ(Resources::currentModule(), "TestProgram");
    EXPECT_EQ(Resources::string(200), "");
}

TEST_F(ResourcesTest, RegistrationLivesWithItsOwner)
{
    constexpr Resources::Entry table[] = {{7, "seven"}};
    {
        const Resources::Registration registration("TestPlugIn", table);
        EXPECT_TRUE(Resources::hasModule("TestPlugIn"));
        const Resources::ModuleSwitch toPlugIn("TestPlugIn");
        EXPECT_EQ(Resources::string(7), "seven");
    }
    EXPECT_FALSE(Resources::hasModule("TestPlugIn"));
    const Resources::ModuleSwitch toPlugIn("TestPlugIn");
    EXPECT_EQ(Resources::string(7), "");

    // Registering a module again replaces its table.
    Resources::registerModule("TestLibrary", {{300, "replaced"}});
    const Resources::ModuleSwitch toLibrary("TestLibrary");
    EXPECT_EQ(Resources::string(300), "replaced");
    EXPECT_EQ(Resources::string(200), "");
}

TEST_F(ResourcesTest, ConcurrentLookupsAndRegistrations)
{
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([t] {
            const Resources::ModuleSwitch toLibrary(t % 2 ? "TestLibrary" : "TestProgram");
            for (int i = 0; i < 2000; ++i) {
                const std::string text = Resources::string(100);
                EXPECT_TRUE(text == "program 100" || text == "library 100") << text;
            }
        });
    }
    for (int i = 0; i < 200; ++i)
        Resources::registerModule("TestLibrary", {{100, "library 100"}, {200, "library 200"}});
    for (std::thread& reader : readers)
        reader.join();
}

}  // namespace
}  // namespace plat
