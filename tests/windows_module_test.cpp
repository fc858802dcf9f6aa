// What only the Windows DLL must show: binding by ordinal, its export
// directory and machine type, and that a DLL built for the other bitness is
// refused cleanly.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/api.h"
#include "support/files.h"

namespace lintrow::test {
namespace {

HMODULE module_handle() { return GetModuleHandleA(module_path().c_str()); }

TEST(WindowsExports, OrdinalsBindTheSameFunctionsAsNames) {
    HMODULE module = module_handle();
    ASSERT_NE(module, nullptr);
    for (int ordinal = 1; ordinal <= 10; ++ordinal) {
        SCOPED_TRACE(kExportNames[ordinal - 1]);
        FARPROC by_name = GetProcAddress(module, kExportNames[ordinal - 1]);
        FARPROC by_ordinal = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
        ASSERT_NE(by_name, nullptr);
        EXPECT_EQ(by_name, by_ordinal);
    }
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(11)), nullptr);
    EXPECT_EQ(GetProcAddress(module, "_GetLine@8"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "DllMain"), nullptr);
}

TEST(WindowsExports, ExportDirectoryHoldsExactlyTheTenNames) {
    auto* base = reinterpret_cast<const unsigned char*>(module_handle());
    ASSERT_NE(base, nullptr);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
    const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "Lintrow.dll");
    EXPECT_EQ(exports->Base, 1u);
    ASSERT_EQ(exports->NumberOfFunctions, 10u);
    ASSERT_EQ(exports->NumberOfNames, 10u);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    for (int i = 0; i < 10; ++i) {
        EXPECT_STREQ(reinterpret_cast<const char*>(base + names[i]), kExportNames[i]);
        EXPECT_EQ(ordinals[i] + exports->Base, static_cast<DWORD>(i + 1)) << kExportNames[i];
    }
}

// The version record a user sees in the file's properties.
TEST(WindowsVersionResource, NamesTheProductAndItsVersion) {
    const std::string path = module_path();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in " << path;
    std::string record(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(LINTROW_VERSION_MAJOR << 16 | LINTROW_VERSION_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(LINTROW_VERSION_PATCH << 16));
    const auto text = [&](const char* name) {
        char* value = nullptr;
        UINT count = 0;
        const std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueA(record.data(), query.c_str(), reinterpret_cast<void**>(&value), &count)) return std::string();
        return std::string(value);
    };
    EXPECT_EQ(text("ProductName"), "Lintrow");
    EXPECT_EQ(text("FileVersion"), LINTROW_VERSION);
    EXPECT_EQ(text("OriginalFilename"), "Lintrow.dll");
    EXPECT_NE(text("LegalCopyright").find("Lintrow developers"), std::string::npos);
    EXPECT_NE(text("FileDescription").find(sizeof(void*) == 8 ? "64-bit" : "32-bit"), std::string::npos);
}

// A 64-bit process cannot load a 32-bit DLL, nor the other way round: the
// host gets ERROR_BAD_EXE_FORMAT from LoadLibrary, which the README tells it
// to look for. The runner names the other build's DLL.
TEST(WindowsExports, TheOtherBitnessDllIsRefusedCleanly) {
    char path[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("LINTROW_OTHER_BITNESS_DLL", path, sizeof path);
    ASSERT_GT(length, 0u) << "LINTROW_OTHER_BITNESS_DLL names the DLL built for the other bitness";
    ASSERT_LT(length, sizeof path);
    ASSERT_NE(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path << " does not exist";
    SetLastError(0);
    HMODULE other = LoadLibraryA(path);
    const DWORD error = GetLastError();
    if (other != nullptr) FreeLibrary(other);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

// A directory tree for paths of any length: directories made and files
// written with the wide calls and the \\?\ prefix, which have no MAX_PATH.
class LongPathTree {
public:
    // A file whose path, as written from `base` on, is exactly `length`
    // characters, in directories of 10 characters; `slash` separates them.
    static std::string file_of_length(const std::string& base, std::size_t length, char slash,
                                      const std::string& content) {
        std::string path = base;
        while (path.size() + 1 + 10 + 1 + 8 <= length) {
            path += slash + std::string("d") + std::to_string(path.size() % 10) + "45678901";
            make(path, nullptr);
        }
        path += slash;
        path += std::string(length - path.size(), 'f');
        make(path, &content);
        return path;
    }
    static std::string directory_of_length(const std::string& base, std::size_t length) {
        std::string path = file_of_length(base, length - 2, '\\', "");
        path += "_d";
        make(path, nullptr);
        return path;
    }

private:
    static void make(const std::string& path, const std::string* content) {
        std::wstring full(32768, L'\0');
        const std::wstring wide(path.begin(), path.end());
        full.resize(GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
        full = L"\\\\?\\" + full;
        if (content == nullptr) {
            CreateDirectoryW(full.c_str(), nullptr);
            return;
        }
        HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << path.size() << " characters: " << GetLastError();
        DWORD written = 0;
        WriteFile(file, content->data(), static_cast<DWORD>(content->size()), &written, nullptr);
        CloseHandle(file);
    }
};

// The lines of the file at path as the reader delivers them; {"open failed"}
// when it cannot open it.
std::vector<std::string> read_lines(const std::string& path) {
    const Api& lib = api();
    if (lib.PrepareFile(path.c_str()) == HFILE_ERROR) return {"open failed"};
    std::vector<std::string> lines;
    HostBuffer buffer;
    for (;;) {
        const int before = lib.Pos();
        const int length = lib.GetLine(buffer.slot(), MAX_LINE_LENGTH);
        if (length == 0 && lib.Pos() == before) break;
        lines.push_back(length == 0 ? std::string() : buffer.text());
    }
    EXPECT_EQ(lib.CloseFile(), 0);
    return lines;
}

// OpenFile refuses a path whose full form has 128 characters or more; such a
// path opens with CreateFile, and from MAX_PATH on with the \\?\ prefix.
TEST(WindowsLongPaths, FilesOfEveryPathLengthOpenAndReadToTheEnd) {
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    const std::string absolute_base = std::string(temp) + "lintrow-paths";
    CreateDirectoryA(absolute_base.c_str(), nullptr);
    char previous_directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof previous_directory, previous_directory);
    ASSERT_TRUE(SetCurrentDirectoryA(absolute_base.c_str()));
    for (const std::size_t length : {120, 127, 128, 129, 200, 259, 260, 261, 300, 400, 1000}) {
        for (const bool relative : {false, true}) {
            for (const char slash : {'\\', '/'}) {
                SCOPED_TRACE(std::to_string(length) + (relative ? " characters, relative, " : " characters, absolute, ") +
                             slash);
                const std::string content = "first," + std::to_string(length) + "\r\n\nlast line\n";
                const std::string base = relative ? std::string("rel") : absolute_base;
                if (relative) CreateDirectoryA(base.c_str(), nullptr);
                const std::string path = LongPathTree::file_of_length(base, length, slash, content);
                ASSERT_EQ(path.size(), length);
                EXPECT_EQ(read_lines(path), (std::vector<std::string>{"first," + std::to_string(length), "", "last line"}));
                EXPECT_EQ(read_lines(path + "-missing"), std::vector<std::string>{"open failed"});
            }
        }
    }
    for (const std::size_t length : {200, 300, 1000}) {
        SCOPED_TRACE(std::to_string(length) + " characters, a directory");
        const std::string directory = LongPathTree::directory_of_length(absolute_base, length);
        ASSERT_NE(GetFileAttributesW(std::wstring(L"\\\\?\\").append(directory.begin(), directory.end()).c_str()),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(api().PrepareFile(directory.c_str()), HFILE_ERROR);
    }
    // A bare name that is not in the current directory: OpenFile finds it
    // beside the program, where CreateFile would not look.
    char program[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    std::string beside = program;
    beside.resize(beside.find_last_of('\\') + 1);
    beside += "lintrow-bare-name.csv";
    {
        HANDLE file = CreateFileA(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, "beside,the program\n", 19, &written, nullptr);
        CloseHandle(file);
    }
    EXPECT_EQ(read_lines("lintrow-bare-name.csv"), std::vector<std::string>{"beside,the program"});
    DeleteFileA(beside.c_str());
    SetCurrentDirectoryA(previous_directory);
}

}  // namespace
}  // namespace lintrow::test
