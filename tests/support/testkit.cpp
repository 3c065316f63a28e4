// Test kit: temporary working directories, file helpers, output capture, Allegro start.
#include "support/testkit.h"

#include <allegro.h>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

void TempDirTest::SetUp()
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    oldDir = cwd;
    std::string tmpl = (std::filesystem::temp_directory_path() / "velok-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir = tmpl;
    ASSERT_EQ(chdir(dir.c_str()), 0);
}

void TempDirTest::TearDown()
{
    if (!oldDir.empty()) {
        EXPECT_EQ(chdir(oldDir.c_str()), 0);
    }
    if (!dir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
}

std::string ReadFileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TestLogBody(const std::string &log)
{
    const std::string header = "status log\n-----------------------------------\n";
    size_t at = log.find(header);
    return at == std::string::npos ? log : log.substr(at + header.size());
}

void WriteFileText(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

void MakeDirs(const std::string &path)
{
    std::filesystem::create_directories(path);
}

void TestAllegroStart()
{
    static bool started = false;
    if (!started) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
        started = true;
    }
}

bool TestDisplayStart()
{
    static bool started = install_allegro(SYSTEM_AUTODETECT, &errno, atexit) == 0;
    return started;
}

bool TestNullVoicesStart()
{
    if (!TestDisplayStart())
        return false;
    // Allegro unloads its driver modules at exit, before the leak check runs,
    // and what the ALSA module still holds in its own globals then reads as
    // leaked from an unknown place. Kept mapped, that memory stays referenced.
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *) {
            if (info->dlpi_name && strstr(info->dlpi_name, "alleg-alsadigi"))
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
    set_config_string("sound", "alsa_device", "null");
    return true;
}

void CaptureStdoutBegin() { testing::internal::CaptureStdout(); }
std::string CaptureStdoutEnd() { return testing::internal::GetCapturedStdout(); }
void CaptureStderrBegin() { testing::internal::CaptureStderr(); }
std::string CaptureStderrEnd() { return testing::internal::GetCapturedStderr(); }
