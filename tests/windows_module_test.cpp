// What only the 32-bit Windows DLL must show: binding by ordinal, its export
// directory, and that every function removes its own arguments.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "support/api.h"
#include "support/files.h"

// Calls `function` with `count` 32-bit arguments pushed right to left and
// returns how far the stack pointer moved across the call: 0 when the
// function removed its own arguments. Its result is left in call_result.
extern "C" int call_and_measure_stack(void* function, int count, const std::int32_t* arguments);
extern "C" std::int32_t call_result;
std::int32_t call_result = 0;
asm(R"(
    .text
    .globl _call_and_measure_stack
_call_and_measure_stack:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 8(%ebp), %eax
    movl 12(%ebp), %ecx
    movl 16(%ebp), %esi
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *%eax
    movl %eax, _call_result
    movl %esp, %eax
    subl %edi, %eax
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

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
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
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

TEST(WindowsCallingConvention, EveryFunctionRemovesItsOwnArguments) {
    TempFile file("a,b\nc,d\n#e\n");
    HostBuffer buffer;
    char* pointer = buffer.data();
    const auto slot = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(&pointer));
    const auto text = [](const char* s) { return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(s)); };
    struct Call {
        const char* name;
        int count;
        std::int32_t arguments[4];
        std::int32_t expected;  // result in EAX, or -2 for "any"
    };
    const Call calls[] = {
        {"PrepareFile", 1, {text(file.path())}, -2},
        {"SetDelim", 1, {text(",")}, -2},
        {"Pos", 0, {}, 0},
        {"NextLine", 0, {}, 3},
        {"Fields", 0, {}, 2},
        {"CurrentRecord", 2, {slot, 10}, 3},
        {"GetField", 3, {2, slot, 10}, 1},
        {"GetLine", 2, {slot, 10}, 3},
        {"SkipToLine", 4, {text("#"), text("!"), slot, 10}, 2},
        {"CloseFile", 0, {}, 0},
    };
    for (const Call& call : calls) {
        SCOPED_TRACE(call.name);
        void* function = reinterpret_cast<void*>(GetProcAddress(module_handle(), call.name));
        ASSERT_NE(function, nullptr);
        EXPECT_EQ(call_and_measure_stack(function, call.count, call.arguments), 0);
        if (call.expected != -2) {
            EXPECT_EQ(call_result, call.expected);
        }
    }
    EXPECT_STREQ(buffer.data(), "#e");
}

}  // namespace
}  // namespace lintrow::test
