#include "app/core/CCommandLineInfo.h"

#include "platform/core/Strings.h"

#include <algorithm>

std::vector<std::string> CCommandLineInfo::Split(const std::string& text)
{
    std::vector<std::string> tokens;
    std::string token;
    bool inToken = false;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (inToken)
                tokens.push_back(token);
            token.clear();
            inToken = false;
        } else {
            token += c;
            inToken = true;
        }
    }
    if (inToken)
        tokens.push_back(token);
    return tokens;
}

std::string CCommandLineInfo::Join(const std::vector<std::string>& args)
{
    std::string text;
    for (const std::string& arg : args) {
        if (!text.empty())
            text += ' ';
        // Quotes cannot be escaped, and no path the program opens needs them.
        std::string clean;
        std::copy_if(arg.begin(), arg.end(), std::back_inserter(clean), [](char c) { return c != '"'; });
        const bool blank = clean.empty() || clean.find_first_of(" \t\r\n") != std::string::npos;
        text += blank ? "\"" + clean + "\"" : clean;
    }
    return text;
}

bool CCommandLineInfo::IsFlag(const std::string& token)
{
    if (token.size() < 2)
        return false;
    if (token[0] == '-')
        return true;
    return token[0] == '/' && token.find('/', 1) == std::string::npos;
}

void CCommandLineInfo::Parse(const std::string& text)
{
    const std::vector<std::string> tokens = Split(text);
    for (size_t i = 0; i < tokens.size(); ++i) {
        const bool flag = IsFlag(tokens[i]);
        ParseParam(flag ? tokens[i].substr(1) : tokens[i], flag, i + 1 == tokens.size());
    }
}

void CCommandLineInfo::ParseParam(const std::string& param, bool flag, bool /*last*/)
{
    if (flag) {
        const std::string lower = plat::lowerAscii(param);
        if (lower == "pt")
            m_nShellCommand = FilePrintTo;
        else if (lower == "p")
            m_nShellCommand = FilePrint;
        else if (lower == "dde")
            m_nShellCommand = FileDDE;
        return;
    }
    if (m_nShellCommand == FilePrintTo && !m_files.empty()) {
        if (m_printerName.empty())
            m_printerName = param;
        else if (m_driverName.empty())
            m_driverName = param;
        else if (m_portName.empty())
            m_portName = param;
        return;
    }
    m_files.push_back(param);
    if (m_nShellCommand == FileNew)
        m_nShellCommand = FileOpen;
}
