// Message boxes: on this platform the title and text are written to a console stream.
#pragma once

enum PlatMsgStream { PLAT_MSG_STDERR = 0, PLAT_MSG_STDOUT = 1 };

// Shows a box: writes the title, a blank line and the text. Returns once written;
// the caller decides the exit code.
void PlatMessageBox(const char *title, const char *text, PlatMsgStream stream);
