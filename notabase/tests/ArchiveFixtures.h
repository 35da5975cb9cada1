#pragma once

// Helpers for writing records of older layouts: the element classes store only the newest.

#include "notabase/model/MCLoadVersion.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// Rewrites the schema stored with the first object of a class in an archive's bytes, as an
// older program would have written it.
void setStoredSchema(std::vector<uint8_t>& bytes, std::string_view className, uint32_t schema);

// A record of one element written field by field, as a program of an older format version
// wrote it: the head of the element base, times in the form of that version, then whatever the
// test appends.
class OldRecord {
public:
    explicit OldRecord(int version);

    int version() const { return m_version; }
    plat::Archive& archive() { return m_archive; }

    // The head of an element without data components or children.
    OldRecord& head();
    // The head, the time and the voice/track word of a timed element without data components
    // or children; below version 1 the time is a bare float.
    OldRecord& timedHead(float time, uint16_t voiceTrack);
    // A time in the form of the record's version.
    OldRecord& time(float time);
    OldRecord& u8(uint8_t value);
    OldRecord& i32(int32_t value);
    OldRecord& string(std::string_view text);

    std::vector<uint8_t> bytes();

private:
    int m_version;
    plat::MemoryStream m_stream;
    plat::Archive m_archive;
};

// Reads an old record into an element through its own Serialize, under the record's format
// version and the oldest class schema, and checks that the whole record was read.
template <class T>
void loadOldRecordInto(T& element, OldRecord& record)
{
    plat::MemoryStream stream(record.bytes());
    plat::Archive archive(stream, plat::Archive::Mode::load);
    const MCLoadVersion version(archive, record.version());
    element.Serialize(archive);
    EXPECT_EQ(stream.remaining(), 0u) << "the record was not read to its end";
}

// The same into a new element of the class.
template <class T>
std::unique_ptr<T> loadOldRecord(OldRecord& record)
{
    auto element = std::make_unique<T>();
    loadOldRecordInto(*element, record);
    return element;
}
