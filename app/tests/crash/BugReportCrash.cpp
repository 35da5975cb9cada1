// A program that installs the crash report and then crashes inside the allocator, with the
// allocator's lock held: the report must still be written. It is started fresh by the
// report's test, without the allocator's per-thread cache, so that any allocation the
// handler made would wait for that lock for ever.

#include "app/core/CBugReport.h"

#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>

namespace {

// A second thread that waits for ever: with it the allocator takes its locks.
void* waitForEver(void*)
{
    for (;;)
        ::pause();
    return nullptr;
}

// A stream whose first write crashes.
ssize_t crashOnWrite(void*, const char*, size_t)
{
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 0;
}

}  // namespace

// Arguments: the report's path.
int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    CBugReport::Install(argv[1]);
    CBugReport::SetDocuments({"Untitled3"});
    pthread_t thread;
    if (::pthread_create(&thread, nullptr, waitForEver, nullptr) != 0)
        return 3;
    cookie_io_functions_t functions{};
    functions.write = crashOnWrite;
    FILE* crashing = ::fopencookie(nullptr, "w", functions);
    if (!crashing)
        return 4;
    ::setvbuf(crashing, nullptr, _IONBF, 0);
    // The allocator's statistics print every arena with its lock held: the first line
    // printed crashes.
    stderr = crashing;
    ::malloc_stats();
    return 5;
}
