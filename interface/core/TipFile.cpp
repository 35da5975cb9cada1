#include "interface/core/TipFile.h"

#include <QString>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string kEmpty;

std::string trimmed(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

// At most count characters of text, never cutting a character in two.
std::string cutTo(const std::string& text, size_t count)
{
    const QString whole = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return whole.size() <= qsizetype(count) ? whole.toStdString() : whole.left(qsizetype(count)).toStdString();
}

}  // namespace

bool TipFile::Load(const std::string& path)
{
    m_tips.clear();
    m_error.clear();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        m_error = "The tips file \"" + path + "\" was not found.";
        return false;
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kMaxFileSize) {
        m_error = "The tips file \"" + path + "\" is too large.";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    if (!file && !file.eof()) {
        m_error = "The tips file \"" + path + "\" could not be read.";
        return false;
    }
    Parse(contents.str());
    if (m_tips.empty()) {
        m_error = "The tips file \"" + path + "\" holds no tips.";
        return false;
    }
    return true;
}

void TipFile::Parse(const std::string& text)
{
    m_tips.clear();
    // Bytes that are not UTF-8 become replacement characters rather than garbage.
    const std::string clean = QString::fromUtf8(text.data(), qsizetype(std::min(text.size(), kMaxFileSize))).toStdString();
    std::istringstream lines(clean);
    std::string line, paragraph;
    const auto finish = [&] {
        if (!paragraph.empty() && m_tips.size() < kMaxTips)
            m_tips.push_back(cutTo(paragraph, kMaxTipLength));
        paragraph.clear();
    };
    while (std::getline(lines, line)) {
        const std::string content = trimmed(line);
        if (content.starts_with('#'))
            continue;
        if (content.empty()) {
            finish();
            continue;
        }
        if (!paragraph.empty())
            paragraph += ' ';
        paragraph += content;
    }
    finish();
}

int TipFile::Normalize(int number) const
{
    if (m_tips.empty() || number < 1)
        return 1;
    return int((size_t(number) - 1) % m_tips.size()) + 1;
}

const std::string& TipFile::Tip(int number) const
{
    if (m_tips.empty())
        return kEmpty;
    return m_tips[size_t(Normalize(number)) - 1];
}
