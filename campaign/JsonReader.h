#pragma once

#include "campaign/JsonValue.h"

#include <string_view>

// Reads one whole JSON document (RFC 8259) strictly: nothing may follow it,
// keys of an object are unique, and a truncated or malformed text is
// refused with CZarnikError naming the line of the fault. Numbers are
// read as doubles, which holds every number the program writes exactly.
CJsonValue ReadJson(std::string_view text);
