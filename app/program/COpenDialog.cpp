#include "app/program/COpenDialog.h"

#include "platform/core/Paths.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QDir>
#include <QStandardPaths>

#include <filesystem>

namespace {

// "*.kvd;*.mid" matches name when any of its patterns does.
bool MatchesPattern(const std::string& name, const std::string& pattern)
{
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t end = pattern.find(';', start);
        if (end == std::string::npos)
            end = pattern.size();
        const std::string one = pattern.substr(start, end - start);
        if (!one.empty() && plat::paths::matches(name, one == "*.*" ? "*" : one))
            return true;
        start = end + 1;
    }
    return false;
}

// "Midi Files (*.mid; *.rmi)" with "*.mid;*.rmi" as the chooser writes it:
// "Midi Files (*.mid *.rmi)".
std::string ChooserEntry(const COpenDialog::Filter& filter)
{
    std::string description = filter.description;
    if (const size_t open = description.rfind(" ("); open != std::string::npos)
        description.resize(open);
    std::string patterns = filter.pattern;
    for (char& c : patterns) {
        if (c == ';')
            c = ' ';
    }
    if (patterns == "*.*")
        patterns = "*";
    return description + " (" + patterns + ")";
}

}  // namespace

COpenDialog::COpenDialog() = default;

std::string COpenDialog::StartFolder(const std::string& lastUsed)
{
    std::error_code error;
    if (!lastUsed.empty() && std::filesystem::is_directory(lastUsed, error))
        return lastUsed;
    const std::string documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    if (!documents.empty() && std::filesystem::is_directory(documents, error))
        return documents;
    return QDir::homePath().toStdString();
}

std::string COpenDialog::FilterText() const
{
    std::string text;
    auto append = [&text](const Filter& filter) {
        if (!text.empty())
            text += ";;";
        text += ChooserEntry(filter);
    };
    const size_t chosen = static_cast<size_t>(m_filterIndex - 1);
    if (m_filterIndex >= 1 && chosen < m_filters.size())
        append(m_filters[chosen]);
    for (size_t i = 0; i < m_filters.size(); ++i) {
        if (i != chosen)
            append(m_filters[i]);
    }
    return text;
}

bool COpenDialog::DoModal()
{
    m_paths.clear();
    plat::ui::ModalHooks::FileRequest request;
    request.parent = m_parent;
    request.caption = m_title;
    request.folder = m_initialDir;
    request.filter = FilterText();
    const std::optional<std::string> path = plat::ui::ModalHooks::chooseFile(request);
    if (!path || path->empty())
        return false;
    m_paths.push_back(*path);
    const std::string name = plat::paths::name(*path);
    const size_t chosen = static_cast<size_t>(m_filterIndex - 1);
    if (m_filterIndex < 1 || chosen >= m_filters.size() || !MatchesPattern(name, m_filters[chosen].pattern)) {
        // The narrowest entry that shows the file; the catch-all entries are listed around it.
        int best = 0;
        size_t bestLength = 0;
        for (size_t i = 0; i < m_filters.size(); ++i) {
            const bool everything = m_filters[i].pattern == "*.*";
            if (MatchesPattern(name, m_filters[i].pattern) && !everything &&
                (best == 0 || m_filters[i].pattern.size() < bestLength)) {
                best = static_cast<int>(i) + 1;
                bestLength = m_filters[i].pattern.size();
            }
        }
        for (size_t i = 0; best == 0 && i < m_filters.size(); ++i) {
            if (MatchesPattern(name, m_filters[i].pattern))
                best = static_cast<int>(i) + 1;
        }
        m_filterIndex = best;
    }
    return true;
}
