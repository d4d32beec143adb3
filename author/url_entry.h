#pragma once
// Moved to author/project/; this name stays until the generator includes the
// new one.
#include "author/project/url_entry.h"
