#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The record in which a second copy of the program hands its command line to the running
// copy: a tag, the text's length in bytes and the text, without a terminating zero. The
// receiver takes the text only when the tag is the one it expects and the length matches
// what arrived.
class CCopyData {
public:
    static constexpr uint32_t kCommandLineTag = 100;

    static std::string Encode(uint32_t tag, const std::string& text);
    // The text of a record of that tag; nullopt for a record that is short, of another tag,
    // or whose length disagrees with its size.
    static std::optional<std::string> Decode(const std::string& record, uint32_t tag);
};
