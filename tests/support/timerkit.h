// Test kit: the timer device that installs nothing, shared with the data tools.
#pragma once
#include "kit/enginekit.h"
