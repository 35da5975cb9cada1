#pragma once

#include <string>
#include <vector>

// The crash report: when a fatal signal (a bad memory access, an arithmetic or illegal
// instruction fault, an abort) or std::terminate ends the program, a plain-text report is
// appended to "BugReport" beside the program, or in the user's data folder when the program's
// folder cannot be written: the cause, the fault address with its module, the registers,
// the stack words, the call stack with the symbols the program knows, the code bytes, the
// program's version and the names of the open documents. The handler that was installed
// before then runs, so the program still ends as it would have.
//
// The handler writes with plain system calls into buffers made before, and takes no lock.
class CBugReport {
public:
    // Installs the handlers (once; a later call only changes the path). Empty path: the
    // default place.
    static void Install(const std::string& path = {});
    // Puts the previous handlers back.
    static void Uninstall();
    // Where the report goes.
    static std::string ReportPath();
    // "BugReport" beside the program when that folder can be written, else in the user's
    // data folder ("<data>/Tarnwick/BugReport").
    static std::string DefaultPath();
    // The open documents the report names; the program calls it when documents come and go.
    static void SetDocuments(const std::vector<std::string>& names);

    // The name of a fault: the classic exception name of the signal and its code, else the
    // system's text for the signal.
    static std::string FaultName(int signal, int code);
};
