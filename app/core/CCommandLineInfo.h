#pragma once

#include <string>
#include <vector>

// What a command line of the program asks for: the documents to open or print, and the
// shell command that follows from its flags.
//
// Splitting is quote-aware, so a path with blanks stays one token: the program's own copies
// quote such paths when they hand a command line over. A token that begins with "-" is a
// flag; one that begins with "/" is a flag only when it holds no other "/" ("/p"), since an
// absolute path begins with "/" too.
class CCommandLineInfo {
public:
    enum ShellCommand { FileNew = 0, FileOpen = 1, FilePrint = 2, FilePrintTo = 3, FileDDE = 4 };

    // The tokens of text: separated by runs of blanks, double quotes grouping (and removed).
    static std::vector<std::string> Split(const std::string& text);
    // A command line whose Split gives args back.
    static std::string Join(const std::vector<std::string>& args);
    // Whether token is a flag (its mark is then dropped by Parse).
    static bool IsFlag(const std::string& token);

    // Parses every token of text.
    void Parse(const std::string& text);
    // One token, its flag mark already dropped.
    void ParseParam(const std::string& param, bool flag, bool last);

    ShellCommand m_nShellCommand = FileNew;
    // The documents named, in order.
    std::vector<std::string> m_files;
    std::string m_printerName;
    std::string m_driverName;
    std::string m_portName;
};
