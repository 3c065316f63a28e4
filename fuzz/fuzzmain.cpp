// Fuzz entry: every target's inputs run inside the kit's working directory,
// while the fuzzer itself stays in the directory it was started from, so the
// corpus and seed paths given on its command line keep their meaning.
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzzkit.h"

static int home = -1;

// Findings are written while an input runs, inside the working directory:
// the artifact paths are made absolute first, and without a prefix the
// findings go where the fuzzer was started, as they would elsewhere.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string cwd;
    if (char *p = getcwd(nullptr, 0)) {
        cwd = p;
        free(p);
    }
    if (cwd.empty())
        return 0;
    static std::vector<std::string> args;
    static std::vector<char *> ptrs;
    bool prefixed = false;
    for (int i = 0; i < *argc; i++) {
        std::string a = (*argv)[i];
        for (const char *flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
            std::string f = flag;
            if (a.compare(0, f.size(), f) != 0)
                continue;
            if (f == "-artifact_prefix=")
                prefixed = true;
            std::string v = a.substr(f.size());
            bool relative = f == "-artifact_prefix=" ? v.empty() || v[0] != '/' : !v.empty() && v[0] != '/';
            if (relative)
                a = f + cwd + "/" + v;
        }
        args.push_back(a);
    }
    if (!prefixed)
        args.push_back("-artifact_prefix=" + cwd + "/");
    for (std::string &a : args)
        ptrs.push_back(a.data());
    ptrs.push_back(nullptr);
    *argc = (int)args.size();
    *argv = ptrs.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzWorkDirEnter();
    int result = FuzzOneInput(data, size);
    if (home >= 0 && fchdir(home) != 0)
        abort();
    return result;
}
