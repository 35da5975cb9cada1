#pragma once

#include <cstddef>
#include <string>

class FCMidiSysEx;

// A .syx file: the raw bytes of one system-exclusive message and nothing else (no header,
// length or separator, and no check of what the bytes are). Files come from outside, so a
// read is bounded by kMaxFileSize and takes regular files only; a write goes to a temporary
// file beside the target that replaces it only when every byte is on disk.
class CSysExFile {
public:
    // Far above any real device dump, far below what would strain memory or the editor.
    static constexpr std::size_t kMaxFileSize = 1024 * 1024;

    // The message of exactly these bytes; EFBIG beyond kMaxFileSize (the message is left as
    // it was). 0 on success; an empty input gives an empty message.
    static int FromBytes(const unsigned char* bytes, std::size_t length, FCMidiSysEx& message);
    // Reads the whole file as one message. 0, or the errno of the failure: EFBIG for a file
    // too large, EINVAL for a path that is not a regular file.
    static int Read(const std::string& path, FCMidiSysEx& message);
    // Writes the message's bytes. 0, or the errno of the failure; a message without bytes is
    // refused with EINVAL, so an export never leaves an empty file in place of a good one.
    static int Write(const std::string& path, const FCMidiSysEx& message);
};
