// Format writers: zip archives written with minizip.
#pragma once
#include <string>
#include <vector>

struct ZipEntryData {
    std::string name;
    std::string data;
    bool stored = false;  // stored as is instead of deflated
};

// Writes the archive; true on success.
bool ZipArchiveWrite(const std::string &path, const std::vector<ZipEntryData> &entries);
