// Test library: a shared object that exports no plug-in entry.
extern "C" int velokNotAPlugin()
{
    return 0;
}
