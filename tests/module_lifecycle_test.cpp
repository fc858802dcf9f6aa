// Loading and unloading the module, as a host does: a private copy of the
// library is loaded so that unloading it really unloads it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/api.h"
#include "support/files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace lintrow::test {
namespace {

// A copy of the library under another name, so that it is a module of its own.
class ModuleCopy {
public:
    ModuleCopy() {
        const std::string source = module_path();
        const std::size_t dot = source.find_last_of('.');
        path_ = source.substr(0, dot) + "-copy" + std::to_string(++copies_) + source.substr(dot);
        std::ifstream in(source, std::ios::binary);
        std::ofstream out(path_, std::ios::binary);
        out << in.rdbuf();
    }
    ~ModuleCopy() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    static inline int copies_ = 0;
    std::string path_;
};

// Counts the file descriptors or handles the process holds.
long open_handle_count() {
#if defined(_WIN32)
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return static_cast<long>(count);
#else
    long count = 0;
    for (int fd = 0; fd < 1024; ++fd) count += fcntl(fd, F_GETFD) != -1 ? 1 : 0;
    return count;
#endif
}

// Reads from a handle the library returned, with the system's own call.
long read_with_system(int handle, char* into, int size) {
#if defined(_WIN32)
    const UINT got = _lread(handle, into, static_cast<UINT>(size));
    return got == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<long>(got);
#else
    return static_cast<long>(::read(handle, into, static_cast<size_t>(size)));
#endif
}

int close_with_system(int handle) {
#if defined(_WIN32)
    return _lclose(handle);
#else
    return ::close(handle);
#endif
}

TEST(ModuleLifecycle, LoadAndUnloadWithoutCallsOpensNothing) {
    ModuleCopy copy;
    const long before = open_handle_count();
    for (int i = 0; i < 3; ++i) {
        Module module(copy.path());
        ASSERT_TRUE(module.loaded()) << module.error();
        Api bound{};
        ASSERT_TRUE(module.bind(bound)) << module.error();
    }
    EXPECT_EQ(open_handle_count(), before);
}

TEST(ModuleLifecycle, FreshModuleStartsInTheZeroState) {
    ModuleCopy copy;
    Module module(copy.path());
    Api fresh{};
    ASSERT_TRUE(module.bind(fresh)) << module.error();
    EXPECT_EQ(fresh.Fields(), 0);
    EXPECT_EQ(fresh.Pos(), 0);
    EXPECT_EQ(fresh.CloseFile(), HFILE_ERROR) << "nothing to close, and handle 0 is not the reader's";
    EXPECT_EQ(fresh.NextLine(), 0) << "no read from handle 0";
    EXPECT_EQ(fresh.Fields(), 1);
    HostBuffer buffer;
    EXPECT_EQ(fresh.CurrentRecord(buffer.slot(), 10), 0);
    EXPECT_EQ(buffer.written(), 1u);
}

TEST(ModuleLifecycle, UnloadingLeavesAnOpenFileOpen) {
    TempFile file("first line\nsecond line\n");
    int handle = HFILE_ERROR;
    {
        ModuleCopy copy;
        Module module(copy.path());
        Api bound{};
        ASSERT_TRUE(module.bind(bound)) << module.error();
        handle = bound.PrepareFile(file.path());
        ASSERT_NE(handle, HFILE_ERROR);
    }
    // The module is gone; the handle still reads the file from its start.
    char text[64] = {};
    EXPECT_EQ(read_with_system(handle, text, 63), 23);
    EXPECT_STREQ(text, "first line\nsecond line\n");
    EXPECT_EQ(close_with_system(handle), 0);
}

TEST(ModuleLifecycle, TwoModulesHaveTwoReaders) {
    TempFile one("from one\n");
    TempFile two("from two,x\n");
    ModuleCopy copy;
    Module other(copy.path());
    Api second{};
    ASSERT_TRUE(other.bind(second)) << other.error();
    ASSERT_NE(api().PrepareFile(one.path()), HFILE_ERROR);
    ASSERT_NE(second.PrepareFile(two.path()), HFILE_ERROR);
    second.SetDelim(",");
    EXPECT_EQ(api().NextLine(), 8);
    EXPECT_EQ(second.NextLine(), 10);
    EXPECT_EQ(api().Fields(), 1);
    EXPECT_EQ(second.Fields(), 2);
    EXPECT_EQ(api().CloseFile(), 0);
    EXPECT_EQ(second.CloseFile(), 0);
}

}  // namespace
}  // namespace lintrow::test
