// Test kit: WAV, sound-file and MIDI writers, shared with the data tools.
#pragma once
#include "kit/sndkit.h"
