// Disk file access for the engine: Windows-style paths, case-insensitive lookup.
#pragma once
#include <cstdio>
#include <string>

// Turns '\' into '/', drops a drive prefix ("c:"), and when the path does not
// exist as written, retries each component case-insensitively against the
// directory listing. Returns the path to use (unchanged parts where nothing matched).
std::string PlatPathResolve(const char *path);

// fopen through PlatPathResolve. Opening a directory as a file fails (null, errno EISDIR).
FILE *PlatFileOpen(const char *path, const char *mode);

// 1 when the resolved path names a directory.
int PlatIsDirectory(const char *path);

// chdir through PlatPathResolve; 0 on success, -1 on failure.
int PlatChangeDir(const char *path);
