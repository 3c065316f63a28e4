// Shared libraries loaded at run time through the dynamic loader.
#include "platform/pdynlib.h"

#include <dlfcn.h>
#include <string>

#include "platform/pfile.h"

namespace {

thread_local std::string lastError;

void ErrorTake()
{
    const char *e = dlerror();
    lastError = e ? e : "";
}

}  // namespace

void *PlatLibOpen(const char *path)
{
    lastError.clear();
    if (!path || !path[0]) {
        lastError = "no library named";
        return nullptr;
    }
    std::string resolved = PlatPathResolve(path);
    // The loader searches its own directories for a name without a slash;
    // a library named in a data file sits beside the game instead.
    if (resolved.find('/') == std::string::npos)
        resolved = "./" + resolved;
    void *handle = dlopen(resolved.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        ErrorTake();
    return handle;
}

void *PlatLibSymbol(void *handle, const char *name)
{
    lastError.clear();
    if (!handle || !name)
        return nullptr;
    dlerror();
    void *address = dlsym(handle, name);
    if (!address)
        ErrorTake();
    return address;
}

void PlatLibClose(void *handle)
{
    if (handle)
        dlclose(handle);
}

const char *PlatLibError()
{
    return lastError.c_str();
}
