#include "platform/core/ClipData.h"
#include "platform/core/Clipboard.h"
#include "platform/core/DragDrop.h"
#include "platform/core/MemoryClipboard.h"
#include "platform/core/MemoryDragDrop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using plat::DragSource;
namespace DropEffect = plat::DropEffect;
namespace MouseButton = plat::MouseButton;

TEST(ClipboardTest, FormatNamesGetLastingIdsOfTheirOwn)
{
    const uint16_t first = plat::Clipboard::registerFormat("Quavix test format A");
    const uint16_t second = plat::Clipboard::registerFormat("Quavix test format B");
    EXPECT_GE(first, 0xC000);
    EXPECT_GE(second, 0xC000);
    EXPECT_NE(first, second);
    EXPECT_EQ(plat::Clipboard::registerFormat("Quavix test format A"), first);
    EXPECT_EQ(plat::Clipboard::formatName(first), "Quavix test format A");
    EXPECT_EQ(plat::Clipboard::registerFormat(""), 0);
    EXPECT_EQ(plat::Clipboard::formatName(0), "");
    EXPECT_EQ(plat::Clipboard::formatName(0xFFFF), "");
}

TEST(ClipboardTest, AnInstalledClipboardServesUntilItsGuardGoes)
{
    auto data = std::make_shared<plat::ClipData>();
    data->setData("text", {1, 2});
    data->setData("text", {3});
    EXPECT_EQ(*data->data("text"), std::vector<uint8_t>{3}) << "offering a format again replaces it";
    EXPECT_EQ(data->data("other"), nullptr);

    plat::Clipboard& process = plat::Clipboard::current();
    plat::MemoryClipboard mine;
    {
        const plat::Clipboard::ScopedInstall installed(mine);
        EXPECT_EQ(&plat::Clipboard::current(), &mine);
        plat::Clipboard::current().setData(data);
        EXPECT_EQ(mine.data(), data);
    }
    EXPECT_EQ(&plat::Clipboard::current(), &process);
    mine.setData(nullptr);
    EXPECT_EQ(mine.data(), nullptr);
}

TEST(DragDropTest, ButtonsEndADragAsTheSourceSays)
{
    DragSource plain;
    DragSource both;
    both.setDropButtons(MouseButton::left | MouseButton::right);
    both.setCancelButtons(MouseButton::left | MouseButton::right);
    struct Case {
        const DragSource* source;
        uint32_t down;
        bool escape;
        DragSource::Continue expected;
    };
    const Case cases[] = {
        {&plain, MouseButton::left, false, DragSource::Continue::keepGoing},
        {&plain, 0, false, DragSource::Continue::drop},
        {&plain, MouseButton::left | MouseButton::right, false, DragSource::Continue::cancel},
        {&plain, MouseButton::left, true, DragSource::Continue::cancel},
        // Begun with the right button: either button held goes on, both cancel, none drops.
        {&both, MouseButton::right, false, DragSource::Continue::keepGoing},
        {&both, MouseButton::left, false, DragSource::Continue::keepGoing},
        {&both, MouseButton::left | MouseButton::right, false, DragSource::Continue::cancel},
        {&both, 0, false, DragSource::Continue::drop},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.source->queryContinue(c.down, c.escape), c.expected) << c.down << ' ' << c.escape;
}

TEST(DragDropTest, ADragRunsOnlyWhenItBeginsAndKeepsToTheAllowedEffects)
{
    plat::MemoryDragDrop drag;
    const plat::DragDrop::ScopedInstall installed(drag);
    int drops = 0;
    drag.setTarget([&drops](const plat::ClipData& data, uint32_t) {
        ++drops;
        EXPECT_TRUE(data.hasFormat("music"));
        return DropEffect::move | DropEffect::link;
    });
    auto data = std::make_shared<plat::ClipData>();
    data->setData("music", {9});
    DragSource source;

    EXPECT_EQ(drag.doDragDrop(data, DropEffect::copy | DropEffect::move, source), DropEffect::none);
    EXPECT_EQ(drops, 0) << "a press that never became a drag drops nothing";
    EXPECT_EQ(drag.lastDragDelay(), plat::DragDrop::dragDelay());
    EXPECT_EQ(drag.lastDragMinDistance(), plat::DragDrop::dragMinDistance());

    drag.setBeginsDrag(true);
    EXPECT_EQ(drag.doDragDrop(data, DropEffect::copy | DropEffect::move, source), DropEffect::move);
    EXPECT_EQ(drops, 1);

    drag.setButtonsDuringDrag({MouseButton::left, MouseButton::left | MouseButton::right});
    EXPECT_EQ(drag.doDragDrop(data, DropEffect::move, source), DropEffect::none);
    drag.setButtonsDuringDrag({MouseButton::left});
    EXPECT_EQ(drag.doDragDrop(data, DropEffect::move, source), DropEffect::none) << "a drag that never ends drops nothing";
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(drag.doDragDrop(nullptr, DropEffect::move, source), DropEffect::none);
}
