#include "app/core/CBugReport.h"

#include "platform/core/Paths.h"

#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>
#include <mutex>
#include <string>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// Everything the handler reads is made here, before any crash: it may run inside the
// allocator or the dynamic loader with their locks held, so it allocates nothing, takes no
// lock and calls the system directly.
struct sigaction g_previous[kSignalCount];
bool g_installed = false;
std::terminate_handler g_previousTerminate = nullptr;
char g_path[4096];
char g_documents[4096];
// The system's text for each handled signal (strsignal may use the locale and a buffer).
char g_signalTexts[kSignalCount][64];
// Set while a report is written, so that an abort from the terminate handler, or a fault
// inside the report, does not write another.
std::atomic<int> g_reporting{0};
int g_fd = -1;
alignas(16) char g_altStack[64 * 1024];

// The loaded objects and their loadable segments, as they were when last looked at. Two
// tables: a new look fills the one not in use and then switches, so a crash meanwhile reads
// a whole table.
struct LoadedObject {
    uintptr_t base = 0;
    int segments = 0;
    uintptr_t start[8] = {};
    uintptr_t end[8] = {};
    char name[256] = {};
};
struct LoadedObjects {
    int count = 0;
    LoadedObject objects[256];
};
LoadedObjects g_objects[2];
std::atomic<int> g_objectsInUse{0};
std::mutex g_objectsMutex;

int noteObject(dl_phdr_info* info, size_t, void* data)
{
    auto* table = static_cast<LoadedObjects*>(data);
    if (table->count >= int(std::size(table->objects)))
        return 1;
    LoadedObject& object = table->objects[table->count];
    object = LoadedObject();
    object.base = info->dlpi_addr;
    for (int i = 0; i < info->dlpi_phnum && object.segments < int(std::size(object.start)); ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD)
            continue;
        object.start[object.segments] = info->dlpi_addr + header.p_vaddr;
        object.end[object.segments] = object.start[object.segments] + header.p_memsz;
        ++object.segments;
    }
    // The program itself has no name in the list.
    const std::string name = info->dlpi_name && *info->dlpi_name ? info->dlpi_name : plat::paths::programPath();
    std::snprintf(object.name, sizeof object.name, "%s", name.c_str());
    ++table->count;
    return 0;
}

void noteLoadedObjects()
{
    const std::lock_guard lock(g_objectsMutex);
    const int next = 1 - g_objectsInUse.load();
    g_objects[next].count = 0;
    ::dl_iterate_phdr(noteObject, &g_objects[next]);
    g_objectsInUse.store(next);
}

// The object holding address, its 1-based loadable segment and the offset in that segment.
const LoadedObject* findObject(uintptr_t address, int& segment, uintptr_t& offset)
{
    const LoadedObjects& table = g_objects[g_objectsInUse.load()];
    for (int i = 0; i < table.count; ++i) {
        const LoadedObject& object = table.objects[i];
        for (int s = 0; s < object.segments; ++s) {
            if (address >= object.start[s] && address < object.end[s]) {
                segment = s + 1;
                offset = address - object.start[s];
                return &object;
            }
        }
    }
    return nullptr;
}

// One line of the report, put together in place and written with one system call.
class Line {
public:
    Line& text(const char* text)
    {
        while (text && *text)
            put(*text++);
        return *this;
    }
    Line& hex(uint64_t value, int digits)
    {
        char digitsOut[16];
        int n = 0;
        do {
            digitsOut[n++] = "0123456789abcdef"[value & 0xF];
            value >>= 4;
        } while (value && n < 16);
        for (int pad = n; pad < digits; ++pad)
            put('0');
        while (n > 0)
            put(digitsOut[--n]);
        return *this;
    }
    Line& dec(long value)
    {
        char digitsOut[24];
        int n = 0;
        unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        do {
            digitsOut[n++] = char('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0)
            put('-');
        while (n > 0)
            put(digitsOut[--n]);
        return *this;
    }
    ~Line() { flush(); }

private:
    void put(char c)
    {
        if (m_length == sizeof m_buffer)
            flush();
        m_buffer[m_length++] = c;
    }
    void flush()
    {
        const char* at = m_buffer;
        size_t left = m_length;
        while (g_fd >= 0 && left > 0) {
            const ssize_t n = ::write(g_fd, at, left);
            if (n <= 0) {
                if (n < 0 && errno == EINTR)
                    continue;
                break;
            }
            at += n;
            left -= static_cast<size_t>(n);
        }
        m_length = 0;
    }

    char m_buffer[512];
    size_t m_length = 0;
};

// Reads memory that may not be mapped without faulting; false when it cannot be read.
bool safeRead(const void* address, void* out, size_t size)
{
    iovec local{out, size};
    iovec remote{const_cast<void*>(address), size};
    return ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(size);
}

int signalIndex(int signal)
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] == signal)
            return i;
    }
    return -1;
}

// The fault's name without building a string: a literal, or a text kept from start-up.
const char* faultText(int signal, int code)
{
    switch (signal) {
    case SIGSEGV: return "ACCESS_VIOLATION";
    case SIGBUS: return code == BUS_ADRALN ? "DATATYPE_MISALIGNMENT" : "IN_PAGE_ERROR";
    case SIGILL: return code == ILL_PRVOPC || code == ILL_PRVREG ? "PRIV_INSTRUCTION" : "ILLEGAL_INSTRUCTION";
    case SIGTRAP: return code == TRAP_TRACE ? "SINGLE_STEP" : "BREAKPOINT";
    case SIGFPE:
        switch (code) {
        case FPE_INTDIV: return "INT_DIVIDE_BY_ZERO";
        case FPE_INTOVF: return "INT_OVERFLOW";
        case FPE_FLTDIV: return "FLT_DIVIDE_BY_ZERO";
        case FPE_FLTOVF: return "FLT_OVERFLOW";
        case FPE_FLTUND: return "FLT_UNDERFLOW";
        case FPE_FLTRES: return "FLT_INEXACT_RESULT";
        case FPE_FLTINV: return "FLT_INVALID_OPERATION";
        case FPE_FLTSUB: return "ARRAY_BOUNDS_EXCEEDED";
        default: return "FLT_INVALID_OPERATION";
        }
    default: {
        const int index = signalIndex(signal);
        return index >= 0 && g_signalTexts[index][0] ? g_signalTexts[index] : nullptr;
    }
    }
}

void writeReport(const char* cause, int signal, int code, const siginfo_t* info, const ucontext_t* context)
{
    g_fd = ::open(g_path, O_WRONLY | O_CREAT | O_APPEND | O_SYNC | O_CLOEXEC, 0644);
    if (g_fd < 0)
        return;
    Line().text("\n\n====================================================================\n"
                "Ombrelune Bug Report\nQuavix (ver 6.06)\n");
    Line().text("Exception code: ").hex(static_cast<uint32_t>(signal << 16 | (code & 0xFFFF)), 8).text(" ").text(cause).text("\n");
    uintptr_t ip = 0;
    uintptr_t sp = 0;
    uintptr_t bp = 0;
#if defined(__x86_64__)
    if (context) {
        const greg_t* r = context->uc_mcontext.gregs;
        ip = static_cast<uintptr_t>(r[REG_RIP]);
        sp = static_cast<uintptr_t>(r[REG_RSP]);
        bp = static_cast<uintptr_t>(r[REG_RBP]);
    }
#endif
    const uintptr_t faultAddress = info && (signal == SIGSEGV || signal == SIGBUS)
        ? reinterpret_cast<uintptr_t>(info->si_addr) : ip;
    int segment = 0;
    uintptr_t offset = 0;
    if (const LoadedObject* object = findObject(ip, segment, offset))
        Line().text("Fault address:  ").hex(ip, 16).text(" ").hex(unsigned(segment), 2).text(":").hex(offset, 16)
            .text(" ").text(object->name).text("\n");
    else
        Line().text("GetModuleFileName failed: (").dec(ENOENT).text(")\n");
    if (faultAddress != ip)
        Line().text("Memory address: ").hex(faultAddress, 16).text("\n");

    Line().text("\n----\n\nRegisters:\n");
#if defined(__x86_64__)
    if (context) {
        const greg_t* r = context->uc_mcontext.gregs;
        struct Register {
            const char* name;
            int index;
        };
        const Register lines[][4] = {
            {{"RAX:", REG_RAX}, {" RBX:", REG_RBX}, {" RCX:", REG_RCX}, {" RDX:", REG_RDX}},
            {{"RSI:", REG_RSI}, {" RDI:", REG_RDI}, {" R8:", REG_R8}, {" R9:", REG_R9}},
            {{"R10:", REG_R10}, {" R11:", REG_R11}, {" R12:", REG_R12}, {" R13:", REG_R13}},
            {{"R14:", REG_R14}, {" R15:", REG_R15}, {nullptr, 0}, {nullptr, 0}},
            {{"RIP:", REG_RIP}, {nullptr, 0}, {nullptr, 0}, {nullptr, 0}},
            {{"RSP:", REG_RSP}, {"  RBP:", REG_RBP}, {nullptr, 0}, {nullptr, 0}},
        };
        for (const auto& registers : lines) {
            Line line;
            for (const Register& reg : registers) {
                if (reg.name)
                    line.text(reg.name).hex(static_cast<uint64_t>(r[reg.index]), 16);
            }
            line.text("\n");
        }
        const uint64_t segs = static_cast<uint64_t>(r[REG_CSGSFS]);
        Line().text("CS:").hex(segs & 0xFFFF, 4).text("  GS:").hex((segs >> 16) & 0xFFFF, 4).text("  FS:")
            .hex((segs >> 32) & 0xFFFF, 4).text("\n");
        Line().text("Flags:").hex(static_cast<uint64_t>(r[REG_EFL]), 8).text("\n");
    }
#endif
    // The stack words and the call stack are written whether or not the stack pointer lies
    // in a module (it normally does not).
    Line().text("\n----\n");
    if (sp) {
        Line stack;
        stack.text("\nStack:\n");
        for (int i = 0; i < 64; ++i) {
            uint64_t word = 0;
            if (!safeRead(reinterpret_cast<const void*>(sp + 8u * static_cast<unsigned>(i)), &word, sizeof word))
                break;
            stack.hex(word, 16).text(" ");
            if (i % 4 == 3)
                stack.text("\n");
        }
    }
    Line().text("\n----\n\nCall stack:\nAddress           Frame             Logical addr           Module\n");
    uintptr_t frame = bp;
    uintptr_t address = ip;
    for (int depth = 0; depth < 64 && address; ++depth) {
        int frameSegment = 0;
        uintptr_t frameOffset = 0;
        const LoadedObject* object = findObject(address, frameSegment, frameOffset);
        if (!object)
            break;
        Line().hex(address, 16).text("  ").hex(frame, 16).text("  ").hex(unsigned(frameSegment), 2).text(":")
            .hex(frameOffset, 16).text(" ").text(object->name).text("\n");
        uintptr_t next[2] = {0, 0};
        if (frame % 8 != 0 || !safeRead(reinterpret_cast<const void*>(frame), next, sizeof next) || next[0] <= frame)
            break;
        frame = next[0];
        address = next[1];
    }
    // Each return address as its object and the offset from where the object was loaded,
    // which addr2line turns into a line of the source. The unwinder was run once at start-up,
    // so it has what it needs and finds frames without the loader's lock or the allocator.
    Line().text("\nSymbols:\n");
    void* addresses[64];
    const int count = ::backtrace(addresses, 64);
    for (int i = 0; i < count; ++i) {
        const auto at = reinterpret_cast<uintptr_t>(addresses[i]);
        int objectSegment = 0;
        uintptr_t objectOffset = 0;
        Line line;
        if (const LoadedObject* object = findObject(at, objectSegment, objectOffset))
            line.text(object->name).text("(+0x").hex(at - object->base, 1).text(") ");
        line.text("[0x").hex(at, 1).text("]\n");
    }

    Line().text("\n----\n");
    {
        Line bytesLine;
        bytesLine.text("\nCS:EIP: ");
        unsigned char bytes[16];
        if (ip && safeRead(reinterpret_cast<const void*>(ip), bytes, sizeof bytes)) {
            for (unsigned char b : bytes)
                bytesLine.text(" ").hex(b, 2);
        }
        bytesLine.text("\n");
    }
    if (g_documents[0])
        Line().text("Open documents:\n").text(g_documents);
    ::close(g_fd);
    g_fd = -1;
}

void onSignal(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    const int index = signalIndex(signal);
    if (g_reporting.exchange(1) == 0) {
        const int code = info ? info->si_code : 0;
        const char* cause = faultText(signal, code);
        writeReport(cause ? cause : "Unknown signal", signal, code, info, static_cast<ucontext_t*>(context));
    }
    // The handler that was there before takes over: a fault repeats when this returns, a
    // signal that was sent is sent again.
    if (index >= 0)
        ::sigaction(signal, &g_previous[index], nullptr);
    errno = savedErrno;
    if (!info || info->si_code <= 0 || signal == SIGABRT)
        ::raise(signal);
}

[[noreturn]] void onTerminate()
{
    // Not a signal: the program's own thread ends here, and may still build a text.
    if (g_reporting.exchange(1) == 0) {
        std::string cause = "std::terminate";
        if (const std::exception_ptr error = std::current_exception()) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                cause += std::string(": ") + e.what();
            } catch (...) {
                cause += ": unknown exception";
            }
        }
        writeReport(cause.c_str(), SIGABRT, 0, nullptr, nullptr);
    }
    if (g_previousTerminate)
        g_previousTerminate();
    std::abort();
}

}  // namespace

std::string CBugReport::FaultName(int signal, int code)
{
    if (const char* text = faultText(signal, code))
        return text;
    const char* text = ::strsignal(signal);
    return text ? text : "Unknown signal";
}

std::string CBugReport::DefaultPath()
{
    const std::string folder = plat::paths::programFolder();
    if (!folder.empty() && ::access(folder.c_str(), W_OK) == 0)
        return plat::paths::join(folder, "BugReport");
    std::string data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = std::string(home) + "/.local/share";
    else
        data = "/tmp";
    const std::string tarnwick = data + "/Tarnwick";
    ::mkdir(data.c_str(), 0700);
    ::mkdir(tarnwick.c_str(), 0700);
    return tarnwick + "/BugReport";
}

std::string CBugReport::ReportPath()
{
    return g_path;
}

void CBugReport::SetDocuments(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += "  " + name + "\n";
    text = text.substr(0, sizeof g_documents - 1);
    // Plug-ins and the libraries they load are there by the time documents come and go.
    noteLoadedObjects();
    // Written in place: a report racing this may show a mix of two lists, never overrun.
    std::memset(g_documents, 0, sizeof g_documents);
    std::memcpy(g_documents, text.data(), text.size());
}

void CBugReport::Install(const std::string& path)
{
    const std::string chosen = path.empty() ? DefaultPath() : path;
    std::snprintf(g_path, sizeof g_path, "%s", chosen.c_str());
    for (int i = 0; i < kSignalCount; ++i) {
        const char* text = ::strsignal(kSignals[i]);
        std::snprintf(g_signalTexts[i], sizeof g_signalTexts[i], "%s", text ? text : "");
    }
    noteLoadedObjects();
    if (g_installed)
        return;
    // The first backtrace loads the unwinder (with the allocator); a handler must not be
    // the first.
    void* warm[4];
    ::backtrace(warm, 4);
    stack_t stack{};
    stack.ss_sp = g_altStack;
    stack.ss_size = sizeof g_altStack;
    ::sigaltstack(&stack, nullptr);
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction action {};
        action.sa_sigaction = onSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    }
    g_previousTerminate = std::set_terminate(onTerminate);
    g_reporting = 0;
    g_installed = true;
}

void CBugReport::Uninstall()
{
    if (!g_installed)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    std::set_terminate(g_previousTerminate);
    g_installed = false;
}
