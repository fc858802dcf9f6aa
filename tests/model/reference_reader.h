// The reader's documented behaviour in its plainest form: one byte at a
// time, every step written out, no shortcuts. Tests and the fuzzer compare
// the library against it. It shares no code with the library.
#pragma once

#include <cstdint>
#include <string>

#include "scripted_files.h"

namespace lintrow::model {

class ReferenceReader {
public:
    explicit ReferenceReader(ScriptedFiles& files) : files_(files) {}

    int PrepareFile(const char* path);
    void SetDelim(const char* delimiter);
    int CloseFile();
    int Fields() const { return field_count_; }
    int Pos() const { return static_cast<int>(bytes_consumed_); }
    int NextLine();
    int GetLine(char** slot, int maxlen);
    int CurrentRecord(char** slot, int maxlen);
    int GetField(int index, char** slot, int maxlen);
    int SkipToLine(const char* prefix1, const char* prefix2, char** slot, int maxlen);

private:
    enum class Handle { NeverOpened, Open, OpenFailed, Closed };
    int fill();
    int copy(char** slot, int maxlen, const char* source, int length);

    ScriptedFiles& files_;
    Handle handle_state_ = Handle::NeverOpened;
    bool live_ = false;
    int handle_ = 0;
    unsigned char buffer_[32768] = {};
    int buffer_pos_ = 0;
    int buffer_fill_ = 0;
    std::uint32_t bytes_consumed_ = 0;
    char delimiter_ = 0;
    char line_[1025] = {};
    int line_length_ = 0;
    int field_count_ = 0;
    int field_start_[1025] = {};
    int field_length_[1025] = {};
};

}  // namespace lintrow::model
