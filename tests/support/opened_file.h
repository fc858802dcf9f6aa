// A test file prepared for reading through the bound library, with an
// optional delimiter, and closed at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "api.h"
#include "files.h"

namespace lintrow::test {

class Opened {
public:
    explicit Opened(const std::string& bytes, const char* delimiter = nullptr) : file_(bytes) {
        EXPECT_NE(api().PrepareFile(file_.path()), HFILE_ERROR) << file_.path();
        if (delimiter != nullptr) api().SetDelim(delimiter);
    }
    ~Opened() { api().CloseFile(); }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

private:
    TempFile file_;
};

}  // namespace lintrow::test
