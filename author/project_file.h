#pragma once
// Moved to author/project/; this name stays until the generator and the
// system items page include the new one.
#include "author/project/project_file.h"
