#include "app/core/CTransportEnable.h"

#include <gtest/gtest.h>

namespace {

TEST(TransportEnableTest, NoDocumentDisablesEveryButton)
{
    for (uint32_t id = 773; id <= 782; ++id) {
        const plat::ui::CommandState state = CTransportEnable::Update(id, nullptr);
        EXPECT_FALSE(state.enabled) << id;
        EXPECT_FALSE(state.checked) << id;
    }
}

TEST(TransportEnableTest, EnableTableOverStateWords)
{
    // Enabled flags of 773..782 for a state word, with and without the loop region.
    struct Case {
        uint32_t state;
        bool loop;
        const char* enabled;  // '1' or '0' for 773, 774, ... 782
    };
    const Case cases[] = {
        {0x00000000, false, "1111111111"},
        {0x00000010, false, "0101110011"},  // playing
        {0x00004000, false, "1111100000"},
        {0x00000001, false, "1110111100"},
        {0x00010000, false, "0111100000"},
        {0x00010000, true, "0110100000"},   // pause follows the loop region's mask
        {0x00020000, false, "0110101100"},
        {0x01000000, false, "0101100000"},
    };
    for (const Case& c : cases) {
        CTransportEnable::Document doc{c.state, c.loop, false};
        for (uint32_t id = 773; id <= 782; ++id) {
            const bool expected = c.enabled[id - 773] == '1';
            EXPECT_EQ(CTransportEnable::Update(id, &doc).enabled, expected)
                << "command " << id << " state 0x" << std::hex << c.state << " loop " << c.loop;
        }
    }
}

TEST(TransportEnableTest, MarksAndStates)
{
    CTransportEnable::Document doc{0, true, true};
    EXPECT_TRUE(CTransportEnable::Update(773, &doc).checked) << "loop region";
    EXPECT_TRUE(CTransportEnable::Update(774, &doc).checked) << "step mode";
    doc = {0, false, false};
    EXPECT_FALSE(CTransportEnable::Update(773, &doc).checked);
    EXPECT_FALSE(CTransportEnable::Update(774, &doc).checked);
    const int states[] = {3303, 3304, 3301, 3300, 3302, 3306, 3305, 3308, 3307};
    for (uint32_t id = 774; id <= 782; ++id)
        EXPECT_EQ(CTransportEnable::StateOf(id), states[id - 774]) << id;
    EXPECT_EQ(CTransportEnable::StateOf(773), 0);
}

}  // namespace
