#pragma once
// The client compares versions with the rule the configuration reader uses.

#include "formats/version_compare.h"

namespace session {

using formats::IsDottedDecimal;
using formats::IsNewer;

}  // namespace session
