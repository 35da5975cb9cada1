#include "rack/rackplayer/RackCommandLine.h"

#include "rack/outside/plinthbase/Tokens.h"

#include <algorithm>
#include <cctype>

namespace rack {

namespace {

// "/M", "-p": a letter behind '/' or '-'. A longer token that begins with '/' is an
// absolute path, never an option.
bool isOption(std::string_view token)
{
    return token.size() >= 2 && (token[0] == '-' || (token[0] == '/' && token.size() == 2));
}

char optionLetter(std::string_view token)
{
    return char(std::toupper(static_cast<unsigned char>(token[1])));
}

std::string cut(std::string_view text, size_t size)
{
    size_t end = std::min(text.size(), size);
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

}  // namespace

RackCommandLine RackCommandLine::parse(std::string_view commandLine)
{
    RackCommandLine result;
    size_t pos = 0;
    TextToken token;
    bool first = true;
    // Token by token, once through the line.
    while (NextStringToken(commandLine, pos, token)) {
        const bool option = !token.quoted && isOption(token.text);
        if (first)
            result.playFirst = option && optionLetter(token.text) == 'P';
        first = false;
        if (option) {
            const char letter = optionLetter(token.text);
            if (letter == 'M') {
                result.secondCopy = true;
            } else if (letter == 'P') {
                result.autoPlay = true;
            } else if (letter == 'N' || letter == 'R') {
                // The text between the next two quotes; parsing goes on behind them.
                const size_t open = commandLine.find('"', token.start + 2);
                const size_t close = open == std::string_view::npos ? open : commandLine.find('"', open + 1);
                if (close == std::string_view::npos)
                    continue;
                (letter == 'N' ? result.closeText : result.exitCommand) =
                    cut(commandLine.substr(open + 1, close - open - 1), kMaxText);
                pos = close + 1;
            }
            continue;
        }
        // A quoted text that never closes is no file name.
        if (token.quoted && token.start + 1 + token.text.size() >= commandLine.size())
            continue;
        result.fileName = token.text;
    }
    return result;
}

std::string RackCommandLine::join(const std::vector<std::string>& arguments)
{
    std::string line;
    bool quoteNext = false;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        const bool quote = argument.find('"') == std::string::npos &&
                           (quoteNext || argument.empty() || argument.find_first_of(" \t") != std::string::npos);
        line += quote ? "\"" + argument + "\"" : argument;
        quoteNext = isOption(argument) && (optionLetter(argument) == 'N' || optionLetter(argument) == 'R');
    }
    return line;
}

}  // namespace rack
