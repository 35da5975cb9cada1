#include "app/core/CBugReport.h"

#include "platform/core/Paths.h"

#include <dlfcn.h>
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
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

struct sigaction g_previous[kSignalCount];
bool g_installed = false;
std::terminate_handler g_previousTerminate = nullptr;
char g_path[4096];
char g_documents[4096];
// Set while a report is written, so that an abort from the terminate handler, or a fault
// inside the report, does not write another.
std::atomic<int> g_reporting{0};
int g_fd = -1;
alignas(16) char g_altStack[64 * 1024];

void writeText(const char* text, size_t length)
{
    while (g_fd >= 0 && length > 0) {
        const ssize_t n = ::write(g_fd, text, length);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return;
        }
        text += n;
        length -= static_cast<size_t>(n);
    }
}

// One piece of the report, at most 1024 characters. vsnprintf of integers and strings
// allocates nothing in glibc.
void Write(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Write(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n > 0)
        writeText(buffer, std::min(static_cast<size_t>(n), sizeof buffer - 1));
}

// Reads memory that may not be mapped without faulting; false when it cannot be read.
bool safeRead(const void* address, void* out, size_t size)
{
    iovec local{out, size};
    iovec remote{const_cast<void*>(address), size};
    return ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(size);
}

struct SegmentSearch {
    uintptr_t address;
    int segment = 0;
    uintptr_t offset = 0;
};

int findSegment(dl_phdr_info* info, size_t, void* data)
{
    auto* search = static_cast<SegmentSearch*>(data);
    int loadIndex = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_LOAD)
            continue;
        ++loadIndex;
        const uintptr_t start = info->dlpi_addr + header.p_vaddr;
        if (search->address >= start && search->address < start + header.p_memsz) {
            search->segment = loadIndex;
            search->offset = search->address - start;
            return 1;
        }
    }
    return 0;
}

// The module holding address, its 1-based loadable segment and the offset in it.
bool GetLogicalAddress(uintptr_t address, const char*& module, int& segment, uintptr_t& offset)
{
    Dl_info info{};
    if (!::dladdr(reinterpret_cast<void*>(address), &info) || !info.dli_fname) {
        Write("GetModuleFileName failed: (%d)\n", errno);
        return false;
    }
    module = info.dli_fname;
    SegmentSearch search{address};
    if (!::dl_iterate_phdr(findSegment, &search))
        return false;
    segment = search.segment;
    offset = search.offset;
    return true;
}

void writeReport(const char* cause, int signal, int code, const siginfo_t* info, const ucontext_t* context)
{
    g_fd = ::open(g_path, O_WRONLY | O_CREAT | O_APPEND | O_SYNC | O_CLOEXEC, 0644);
    if (g_fd < 0)
        return;
    Write("\n\n");
    Write("====================================================================\n");
    Write("Ombrelune Bug Report\n");
    Write("Quavix (ver 6.06)\n");
    Write("Exception code: %08x %s\n", static_cast<unsigned>(signal << 16 | (code & 0xFFFF)), cause);
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
    const char* module = "?";
    int segment = 0;
    uintptr_t offset = 0;
    if (GetLogicalAddress(ip, module, segment, offset))
        Write("Fault address:  %016lx %02x:%016lx %s\n", static_cast<unsigned long>(ip), segment,
              static_cast<unsigned long>(offset), module);
    if (faultAddress != ip)
        Write("Memory address: %016lx\n", static_cast<unsigned long>(faultAddress));

    Write("\n----\n");
    Write("\nRegisters:\n");
#if defined(__x86_64__)
    if (context) {
        const greg_t* r = context->uc_mcontext.gregs;
        Write("RAX:%016llx RBX:%016llx RCX:%016llx RDX:%016llx\n", (unsigned long long)r[REG_RAX],
              (unsigned long long)r[REG_RBX], (unsigned long long)r[REG_RCX], (unsigned long long)r[REG_RDX]);
        Write("RSI:%016llx RDI:%016llx R8:%016llx R9:%016llx\n", (unsigned long long)r[REG_RSI],
              (unsigned long long)r[REG_RDI], (unsigned long long)r[REG_R8], (unsigned long long)r[REG_R9]);
        Write("R10:%016llx R11:%016llx R12:%016llx R13:%016llx\n", (unsigned long long)r[REG_R10],
              (unsigned long long)r[REG_R11], (unsigned long long)r[REG_R12], (unsigned long long)r[REG_R13]);
        Write("R14:%016llx R15:%016llx\n", (unsigned long long)r[REG_R14], (unsigned long long)r[REG_R15]);
        Write("RIP:%016llx\n", (unsigned long long)r[REG_RIP]);
        Write("RSP:%016llx  RBP:%016llx\n", (unsigned long long)r[REG_RSP], (unsigned long long)r[REG_RBP]);
        const unsigned long long segs = static_cast<unsigned long long>(r[REG_CSGSFS]);
        Write("CS:%04llx  GS:%04llx  FS:%04llx\n", segs & 0xFFFF, (segs >> 16) & 0xFFFF, (segs >> 32) & 0xFFFF);
        Write("Flags:%08llx\n", (unsigned long long)r[REG_EFL]);
    }
#endif
    // The stack words and the call stack are written whether or not the stack pointer lies
    // in a module (it normally does not).
    Write("\n----\n");
    if (sp) {
        Write("\nStack:\n");
        for (int i = 0; i < 64; ++i) {
            uint64_t word = 0;
            if (!safeRead(reinterpret_cast<const void*>(sp + 8u * static_cast<unsigned>(i)), &word, sizeof word))
                break;
            Write("%016llx ", static_cast<unsigned long long>(word));
            if (i % 4 == 3)
                Write("\n");
        }
    }
    Write("\n----\n");
    Write("\nCall stack:\n");
    Write("Address           Frame             Logical addr           Module\n");
    uintptr_t frame = bp;
    uintptr_t address = ip;
    for (int depth = 0; depth < 64 && address; ++depth) {
        const char* frameModule = nullptr;
        int frameSegment = 0;
        uintptr_t frameOffset = 0;
        if (!GetLogicalAddress(address, frameModule, frameSegment, frameOffset))
            break;
        Write("%016lx  %016lx  %02x:%016lx %s\n", static_cast<unsigned long>(address), static_cast<unsigned long>(frame),
              frameSegment, static_cast<unsigned long>(frameOffset), frameModule);
        uintptr_t next[2] = {0, 0};
        if (frame % 8 != 0 || !safeRead(reinterpret_cast<const void*>(frame), next, sizeof next) || next[0] <= frame)
            break;
        frame = next[0];
        address = next[1];
    }
    Write("\nSymbols:\n");
    void* addresses[64];
    const int count = ::backtrace(addresses, 64);
    ::backtrace_symbols_fd(addresses, count, g_fd);

    Write("\n----\n");
    Write("\nCS:EIP: ");
    unsigned char bytes[16];
    if (ip && safeRead(reinterpret_cast<const void*>(ip), bytes, sizeof bytes)) {
        for (unsigned char b : bytes)
            Write(" %02x", b);
    }
    Write("\n");
    if (g_documents[0])
        Write("Open documents:\n%s", g_documents);
    ::close(g_fd);
    g_fd = -1;
}

int signalIndex(int signal)
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] == signal)
            return i;
    }
    return -1;
}

void onSignal(int signal, siginfo_t* info, void* context)
{
    const int index = signalIndex(signal);
    if (g_reporting.exchange(1) == 0) {
        const std::string name = CBugReport::FaultName(signal, info ? info->si_code : 0);
        writeReport(name.c_str(), signal, info ? info->si_code : 0, info, static_cast<ucontext_t*>(context));
    }
    // The handler that was there before takes over: a fault repeats when this returns, a
    // signal that was sent is sent again.
    if (index >= 0)
        ::sigaction(signal, &g_previous[index], nullptr);
    if (!info || info->si_code <= 0 || signal == SIGABRT)
        ::raise(signal);
}

[[noreturn]] void onTerminate()
{
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
        const char* text = ::strsignal(signal);
        return text ? text : "Unknown signal";
    }
    }
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
    // Written in place: a report racing this may show a mix of two lists, never overrun.
    std::memset(g_documents, 0, sizeof g_documents);
    std::memcpy(g_documents, text.data(), text.size());
}

void CBugReport::Install(const std::string& path)
{
    const std::string chosen = path.empty() ? DefaultPath() : path;
    std::snprintf(g_path, sizeof g_path, "%s", chosen.c_str());
    if (g_installed)
        return;
    // The first backtrace loads what it needs; a handler must not be the first.
    void* warm[1];
    ::backtrace(warm, 1);
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
