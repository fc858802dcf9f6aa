#include "files.h"

#include <atomic>
#include <cstdio>
#include <filesystem>

#if defined(_WIN32)
#include <process.h>
#define lintrow_process_id _getpid
#else
#include <unistd.h>
#define lintrow_process_id getpid
#endif

namespace lintrow::test {
namespace {

std::string fresh_path() {
    static std::atomic<unsigned> counter{0};
    static const std::string directory = std::filesystem::temp_directory_path().string();
    const char separator = directory.empty() || directory.back() == '/' || directory.back() == '\\' ? '\0' : '/';
    std::string path = directory;
    if (separator != '\0') path += separator;
    return path + "lintrow-" + std::to_string(lintrow_process_id()) + "-" + std::to_string(counter++) + ".txt";
}

}  // namespace

TempFile::TempFile(const std::string& bytes) : path_(fresh_path()) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

std::string missing_path() { return fresh_path() + ".missing"; }

}  // namespace lintrow::test
