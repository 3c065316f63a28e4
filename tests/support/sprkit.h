// Test kit: PCX, sprite-file, .act and animation-line writers, shared with the data tools.
#pragma once
#include "kit/sprkit.h"
