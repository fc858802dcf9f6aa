// What only the Windows DLL must show: binding by ordinal, its export
// directory and machine type, and that a DLL built for the other bitness is
// refused cleanly.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

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

}  // namespace
}  // namespace lintrow::test
