// What only the 32-bit Windows DLL must show: every function removes its own
// arguments (__stdcall), so a host may call it under either convention.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

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
        void* function = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module_path().c_str()), call.name));
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
