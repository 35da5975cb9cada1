#include "notabase/states/SCFile.h"

SCFile::SCFile() : SCFile(0) {}

SCFile::SCFile(int code) : SCBase(code)
{
    SetSynchronous(1);
}
