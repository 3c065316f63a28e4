// Test kit: the zip-archive writer, shared with the data tools.
#pragma once
#include "kit/zipkit.h"
