// Shared libraries loaded at run time: open by path, look up an exported symbol, close.
#pragma once

// Opens the library at the path (resolved as every disk path is; a bare file
// name is looked for in the working directory, not on the system's library
// path). The handle, or null with the reason in PlatLibError.
void *PlatLibOpen(const char *path);
// The address the library exports under the name, or null.
void *PlatLibSymbol(void *handle, const char *name);
// Closes the handle; null is ignored.
void PlatLibClose(void *handle);
// Why the last open or look-up on this thread failed ("" when none did).
const char *PlatLibError();
