#pragma once

#include "interface/InterfaceExport.h"

#include <string>
#include <vector>

// The tips of the day, read from "Music.tip" beside the program. The file is UTF-8 text:
// each tip is a paragraph, paragraphs are separated by blank lines, the lines of a paragraph
// are joined with a space, and a line that begins with "#" is a comment. A file that is not a
// regular file, is larger than 256 KiB, or has no tip, is refused with a reason; a tip longer
// than 2,000 characters is cut there, and no more than 1,000 tips are read.
class INTERFACE_API TipFile {
public:
    static constexpr size_t kMaxFileSize = 256 * 1024;
    static constexpr size_t kMaxTips = 1000;
    static constexpr size_t kMaxTipLength = 2000;

    bool Load(const std::string& path);
    void Parse(const std::string& text);

    size_t Count() const { return m_tips.size(); }
    // Tip number (from 1; numbers past the last start again at the first).
    const std::string& Tip(int number) const;
    // The number a stored number stands for: 1 to Count(), 1 when out of range.
    int Normalize(int number) const;
    const std::string& Error() const { return m_error; }

private:
    std::vector<std::string> m_tips;
    std::string m_error;
};
