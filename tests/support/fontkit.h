// Test kit: font-file writers, shared with the data tools.
#pragma once
#include "kit/fontkit.h"
