#include "notabase/clipboard/MCClipFormat.h"
#include "notabase/clipboard/MCOleDataIn.h"
#include "notabase/clipboard/MCOleDataInfo.h"
#include "notabase/clipboard/MCOleDataOut.h"
#include "notabase/tests/TestElements.h"
#include "platform/core/ClipData.h"
#include "platform/core/Clipboard.h"
#include "platform/core/MemoryClipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

std::vector<uint8_t> infoRecord(MCOleDataInfo& info)
{
    return storeWith([&info](plat::Archive& archive) { info.Serialize(archive); });
}

// The record's entries by key, read field by field from the bytes.
std::map<int32_t, std::vector<uint8_t>> entriesOf(const std::vector<uint8_t>& bytes, int32_t& eventType)
{
    std::map<int32_t, std::vector<uint8_t>> entries;
    loadWith(bytes, [&](plat::Archive& archive) {
        eventType = archive.readI32();
        const uint32_t count = archive.readCount();
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t key = archive.readI32();
            std::vector<uint8_t> data(archive.readU32());
            archive.readBytes(data.data(), data.size());
            entries[key] = data;
        }
    });
    return entries;
}

class ClipboardDataTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
    plat::MemoryClipboard m_clipboard;
    plat::Clipboard::ScopedInstall m_installed{m_clipboard};
};

}  // namespace

TEST_F(ClipboardDataTest, TheFormatsAreRegisteredByTheirNames)
{
    const unsigned short data = MCClipFormat(kMusicDataFormat);
    const unsigned short info = MCClipFormat(kMusicInfoFormat);
    EXPECT_NE(data, 0);
    EXPECT_NE(data, info);
    EXPECT_EQ(MCClipFormat("Tarnwick Music Data"), data);
    EXPECT_EQ(plat::Clipboard::formatName(info), "Tarnwick Music Info");
}

TEST_F(ClipboardDataTest, InfoRecordsAreByteExact)
{
    MCOleDataInfo empty;
    EXPECT_EQ(infoRecord(empty), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));

    MCOleDataInfo one;
    one.SetEventType(37);
    const uint8_t bytes[] = {0xAB, 0xCD, 0xEF};
    EXPECT_EQ(one.SetInfo(0x01020304, bytes, 3), 1);
    EXPECT_EQ(infoRecord(one), (std::vector<uint8_t>{37, 0, 0, 0, 1, 0, 4, 3, 2, 1, 3, 0, 0, 0, 0xAB, 0xCD, 0xEF}));

    MCOleDataInfo three;
    three.SetEventType(-2);
    const int32_t values[] = {5, -6, 70000};
    three.SetInfo(-1, &values[0], 4);
    three.SetInfo(2, &values[1], 4);
    three.SetInfo(70000, &values[2], 4);
    three.SetInfo(9, nullptr, 0);
    int32_t eventType = 0;
    const auto entries = entriesOf(infoRecord(three), eventType);
    EXPECT_EQ(eventType, -2);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(entries.at(9).empty());
    for (const auto& [key, value] : std::map<int32_t, int32_t>{{-1, 5}, {2, -6}, {70000, 70000}}) {
        int32_t stored = 0;
        ASSERT_EQ(entries.at(key).size(), 4u);
        std::memcpy(&stored, entries.at(key).data(), 4);
        EXPECT_EQ(stored, value) << key;
    }

    // 65535 entries and more take the long count form.
    MCOleDataInfo many;
    for (int key = 0; key < 0xFFFF; ++key)
        many.SetInfo(key, nullptr, 0);
    const std::vector<uint8_t> record = infoRecord(many);
    EXPECT_EQ(std::vector<uint8_t>(record.begin(), record.begin() + 10),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(record.size(), 10u + 0xFFFFu * 8u);
}

TEST_F(ClipboardDataTest, TheFirstEntryOfAKeyStays)
{
    MCOleDataInfo info;
    const char first[] = "first";
    const char second[] = "second";
    EXPECT_EQ(info.SetInfo(1, first, sizeof first), 1);
    EXPECT_EQ(info.SetInfo(1, second, sizeof second), 0);
    EXPECT_EQ(info.SetInfo(1, std::make_unique<MCOleInfoItem>(2, "x")), 0);
    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(info.GetInfo(1, data, size), 1);
    EXPECT_STREQ(static_cast<const char*>(data), "first");
    EXPECT_EQ(size, static_cast<int>(sizeof first));
    EXPECT_EQ(info.GetInfo(2, data, size), 0);
    MCOleInfoItem* item = nullptr;
    EXPECT_EQ(info.GetInfo(2, item), 0);
    EXPECT_EQ(item, nullptr);

    const MCOleInfoItem none(0, first);
    EXPECT_EQ(none.GetInfo(), nullptr);
    EXPECT_EQ(none.GetInfoSize(), 0);
    const MCOleInfoItem copied(MCOleInfoItem(3, "abc"));
    ASSERT_NE(copied.GetInfo(), nullptr);
    EXPECT_EQ(std::memcmp(copied.GetInfo(), "abc", 3), 0);
}

TEST_F(ClipboardDataTest, InfoRecordsLoadAndRefuseWhatTheirBytesCannotHold)
{
    MCOleDataInfo info;
    info.SetEventType(12);
    info.SetInfo(3, "abc", 3);
    info.SetInfo(4, nullptr, 0);
    const std::vector<uint8_t> record = infoRecord(info);

    MCOleDataInfo loaded;
    loadWith(record, [&loaded](plat::Archive& archive) { loaded.Serialize(archive); });
    EXPECT_EQ(loaded.GetEventType(), 12);
    EXPECT_EQ(loaded.GetCount(), 2);
    const void* data = nullptr;
    int size = 0;
    ASSERT_EQ(loaded.GetInfo(3, data, size), 1);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(std::memcmp(data, "abc", 3), 0);

    // A key stored twice keeps the later entry.
    std::vector<uint8_t> twice{0, 0, 0, 0, 2, 0, 7, 0, 0, 0, 1, 0, 0, 0, 'a', 7, 0, 0, 0, 1, 0, 0, 0, 'b'};
    MCOleDataInfo dup;
    loadWith(twice, [&dup](plat::Archive& archive) { dup.Serialize(archive); });
    ASSERT_EQ(dup.GetInfo(7, data, size), 1);
    EXPECT_EQ(*static_cast<const char*>(data), 'b');

    const std::vector<std::vector<uint8_t>> refused{
        {0, 0, 0, 0, 1, 0, 7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},        // a negative size
        {0, 0, 0, 0, 1, 0, 7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 'a'},   // more bytes than there are
        {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 1, 2, 3, 4},   // more entries than fit
    };
    for (const auto& bytes : refused) {
        MCOleDataInfo bad;
        bad.SetInfo(1, "kept", 4);
        EXPECT_THROW(loadWith(bytes, [&bad](plat::Archive& archive) { bad.Serialize(archive); }), plat::ArchiveError);
        EXPECT_EQ(bad.GetCount(), 1) << "a refused record changes nothing";
    }
    for (size_t length = 0; length < record.size(); ++length) {
        MCOleDataInfo cut;
        const std::vector<uint8_t> prefix(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(loadWith(prefix, [&cut](plat::Archive& archive) { cut.Serialize(archive); }), plat::ArchiveError)
            << length;
    }
}

TEST_F(ClipboardDataTest, DataOutOffersBothFormatsAndHandsThemToTheClipboard)
{
    MCOleDataOut out;
    MCEventList empty;
    EXPECT_EQ(out.CacheInfo(nullptr), 0);
    EXPECT_EQ(out.CacheEvents(empty), 0);
    EXPECT_TRUE(out.GetData()->empty());

    MCOleDataInfo info;
    MCEventList notes;
    notes.AddEvent(new TENote(1.0f), 0);
    notes.AddEvent(new TENote(2.0f), 0);
    ASSERT_EQ(out.CacheInfo(&info), 1);
    ASSERT_EQ(out.CacheEvents(notes), 1);
    const auto offered = out.GetData();
    EXPECT_EQ(offered->formats(), (std::vector<std::string>{"Tarnwick Music Data", "Tarnwick Music Info"}));
    EXPECT_EQ(*offered->data(kMusicInfoFormat), infoRecord(info));

    out.SetClipboard();
    EXPECT_EQ(m_clipboard.data(), offered);
    EXPECT_TRUE(out.GetData()->empty()) << "the data-out object starts over";
}

TEST_F(ClipboardDataTest, DataInDecodesEachFormatOnce)
{
    MCOleDataOut out;
    MCOleDataInfo info;
    info.SetInfo(5, "five", 4);
    MCEventList notes;
    notes.AddEvent(new TENote(1.0f), 0);
    out.CacheInfo(&info);
    out.CacheEvents(notes);

    MCOleDataIn in;
    EXPECT_EQ(in.GetInfo(), nullptr) << "nothing attached";
    EXPECT_TRUE(in.GetEvents().IsEmpty());
    in.Attach(out.GetData());
    MCOleDataInfo* read = in.GetInfo();
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(in.GetInfo(), read);
    ASSERT_EQ(in.GetEvents().GetCount(), 1);
    ECBase* copy = in.GetEvents().GetHead();
    EXPECT_NE(copy, notes.GetHead());
    EXPECT_EQ(copy->GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(in.GetEvents().GetHead(), copy) << "not read again";
    EXPECT_EQ(in.GetEvents().GetCount(), 1);

    EXPECT_EQ(in.HasFormat(MCClipFormat(kMusicDataFormat), 0), 1);
    EXPECT_EQ(in.HasFormat(MCClipFormat(kMusicDataFormat), 1), 0) << "nothing embeddable is offered";
    EXPECT_EQ(in.HasFormat(MCClipFormat("Quavix other format"), 0), 0);
    EXPECT_EQ(in.Detach(), out.GetData());
    EXPECT_EQ(in.HasFormat(MCClipFormat(kMusicDataFormat), 0), 0);

    // Only the side information offered: no elements.
    auto infoOnly = std::make_shared<plat::ClipData>();
    infoOnly->setData(kMusicInfoFormat, infoRecord(info));
    MCOleDataIn second;
    second.Attach(infoOnly);
    EXPECT_NE(second.GetInfo(), nullptr);
    EXPECT_TRUE(second.GetEvents().IsEmpty());
}
