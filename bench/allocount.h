// Counts the program's heap allocations, to show that a steady game tick makes none.
#pragma once

void AllocCountReset();
long AllocCount();
