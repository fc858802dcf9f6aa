#include "api.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>

namespace lintrow::test {

Module::Module(const std::string& path) {
#if defined(_WIN32)
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (handle_ == nullptr) error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) error_ = dlerror();
#endif
}

Module::~Module() {
    if (handle_ == nullptr) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

void* Module::symbol(const char* name) const {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

bool Module::bind(Api& api) {
    void* found[10];
    for (int i = 0; i < 10; ++i) {
        found[i] = symbol(kExportNames[i]);
        if (found[i] == nullptr) {
            error_ = std::string("missing export ") + kExportNames[i];
            return false;
        }
    }
    auto take = [&](auto& slot, int i) { std::memcpy(&slot, &found[i], sizeof slot); };
    take(api.CloseFile, 0);
    take(api.CurrentRecord, 1);
    take(api.Fields, 2);
    take(api.GetField, 3);
    take(api.GetLine, 4);
    take(api.NextLine, 5);
    take(api.Pos, 6);
    take(api.PrepareFile, 7);
    take(api.SetDelim, 8);
    take(api.SkipToLine, 9);
    return true;
}

}  // namespace lintrow::test
