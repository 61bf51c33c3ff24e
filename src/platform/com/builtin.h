// The classes the COM library itself implements, entered into the class registry when it is
// first used.
#pragma once

#include <map>

#include "platform/com/com.h"

void RegisterBuiltinClasses(std::map<CLSID, TCreateInstance>& classes);
