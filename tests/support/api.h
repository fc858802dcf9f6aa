// The library's ten entry points, bound at run time by name the way a host
// binds them: dlopen/dlsym, or LoadLibrary/GetProcAddress on Windows.
#pragma once

#include <string>

#include "Lintrow.h"

namespace lintrow::test {

struct Api {
    decltype(&::CloseFile) CloseFile;
    decltype(&::CurrentRecord) CurrentRecord;
    decltype(&::Fields) Fields;
    decltype(&::GetField) GetField;
    decltype(&::GetLine) GetLine;
    decltype(&::NextLine) NextLine;
    decltype(&::Pos) Pos;
    decltype(&::PrepareFile) PrepareFile;
    decltype(&::SetDelim) SetDelim;
    decltype(&::SkipToLine) SkipToLine;
};

// The ten names in ordinal order.
inline constexpr const char* kExportNames[] = {"CloseFile", "CurrentRecord", "Fields",  "GetField",    "GetLine",
                                               "NextLine",  "Pos",           "PrepareFile", "SetDelim", "SkipToLine"};

class Module {
public:
    // Loads the module; error() says why when loaded() is false.
    explicit Module(const std::string& path);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }
    // The address exported under name, or nullptr.
    void* symbol(const char* name) const;
    // All ten, or false with error() naming the missing one.
    bool bind(Api& api);

private:
    void* handle_ = nullptr;
    std::string error_;
};

// The module every behavioural test uses, and its path; set by the test
// program's main.
Api& api();
const std::string& module_path();

}  // namespace lintrow::test
