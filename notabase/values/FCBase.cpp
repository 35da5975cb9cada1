#include "notabase/values/FCBase.h"

FCBase::~FCBase() = default;
