// Format writers: zip archives written with minizip.
#include "kit/zipkit.h"

#include <cstring>
#include <zip.h>
#include <zlib.h>

bool ZipArchiveWrite(const std::string &path, const std::vector<ZipEntryData> &entries)
{
    zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf)
        return false;
    bool ok = true;
    for (const ZipEntryData &e : entries) {
        zip_fileinfo zi;
        memset(&zi, 0, sizeof zi);
        int method = e.stored ? 0 : Z_DEFLATED;
        if (zipOpenNewFileInZip(zf, e.name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, method,
                                Z_DEFAULT_COMPRESSION) != ZIP_OK) {
            ok = false;
            break;
        }
        if (!e.data.empty() && zipWriteInFileInZip(zf, e.data.data(), (unsigned)e.data.size()) != ZIP_OK)
            ok = false;
        if (zipCloseFileInZip(zf) != ZIP_OK)
            ok = false;
    }
    if (zipClose(zf, nullptr) != ZIP_OK)
        ok = false;
    return ok;
}
