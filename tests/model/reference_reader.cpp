#include "reference_reader.h"

namespace lintrow::model {

int ReferenceReader::PrepareFile(const char* path) {
    if (path == nullptr) path = "";
    handle_ = files_.open(path);
    handle_state_ = handle_ == -1 ? Handle::OpenFailed : Handle::Open;
    live_ = files_.live;
    buffer_pos_ = 0;
    buffer_fill_ = -1;
    bytes_consumed_ = 0;
    delimiter_ = 0;
    return handle_;
}

void ReferenceReader::SetDelim(const char* delimiter) { delimiter_ = delimiter == nullptr ? 0 : delimiter[0]; }

int ReferenceReader::CloseFile() {
    if (handle_state_ != Handle::Open) return -1;
    handle_state_ = Handle::Closed;
    return files_.close(handle_);
}

// One fill. From a live source, one read: what has arrived. From a file,
// reads until the buffer is full, the end, or a failure; bytes read before a
// failure count.
int ReferenceReader::fill() {
    if (handle_state_ == Handle::NeverOpened) return 0;
    if (handle_state_ != Handle::Open) return -1;
    if (live_) {
        int got = files_.read(handle_, buffer_, 32768);
        if (got < 0) return -1;
        if (got > 32768) return 32768;
        return got;
    }
    int total = 0;
    while (total < 32768) {
        int got = files_.read(handle_, buffer_ + total, 32768 - total);
        if (got == -1) {
            if (total == 0) return -1;
            return total;
        }
        if (got == 0) break;
        total = total + got;
    }
    return total;
}

int ReferenceReader::NextLine() {
    int i = buffer_pos_;
    int limit = buffer_fill_;
    int k = 0;
    int f = 0;
    bool more = true;
    field_count_ = 0;
    field_start_[0] = 0;
    field_length_[0] = 0;
    while (true) {
        if (i >= limit) {
            // Only a file's short fill is its end; a live source ends when a
            // read brings nothing.
            if (limit >= 0 && limit < 32768 && !live_) more = false;
            buffer_pos_ = 0;
            int result = fill();
            buffer_fill_ = result;
            limit = result;
            if (result == -1) break;
            i = 0;
            if (!more || result == 0) break;
        }
        bytes_consumed_ = bytes_consumed_ + 1;
        unsigned char ch = buffer_[i];
        if (ch == '\n') {
            more = false;
        } else if (ch == '\r') {
            // dropped
        } else {
            line_[k] = static_cast<char>(ch);
            k = k + 1;
            if (static_cast<char>(ch) == delimiter_) {
                f = f + 1;
                field_length_[f] = 0;
                field_start_[f] = k;
            } else {
                field_length_[f] = field_length_[f] + 1;
            }
            if (k == 1024) more = false;
        }
        i = i + 1;
        buffer_pos_ = i;
        if (!more) break;
    }
    line_[k] = 0;
    line_length_ = k;
    field_count_ = f + 1;
    return k;
}

int ReferenceReader::copy(char** slot, int maxlen, const char* source, int length) {
    if (maxlen < 0) return 0;
    if (slot == nullptr) return 0;
    char* buffer = *slot;
    if (buffer == nullptr) return 0;
    int n = length;
    if (maxlen < n) n = maxlen;
    bool ended = false;
    for (int j = 0; j < n; j++) {
        if (source[j] == 0) ended = true;
        buffer[j] = ended ? 0 : source[j];
    }
    buffer[n] = 0;
    return n;
}

int ReferenceReader::GetLine(char** slot, int maxlen) {
    int n = NextLine();
    if (n == 0) return 0;
    return copy(slot, maxlen, line_, n);
}

int ReferenceReader::CurrentRecord(char** slot, int maxlen) { return copy(slot, maxlen, line_, line_length_); }

int ReferenceReader::GetField(int index, char** slot, int maxlen) {
    if (index > field_count_) return 0;
    if (index < 1) return 0;
    return copy(slot, maxlen, line_ + field_start_[index - 1], field_length_[index - 1]);
}

namespace {
bool starts_with(const char* text, const std::string& prefix) {
    for (std::size_t j = 0; j < prefix.size(); j++) {
        if (text[j] != prefix[j]) return false;
    }
    return true;
}
}  // namespace

int ReferenceReader::SkipToLine(const char* prefix1, const char* prefix2, char** slot, int maxlen) {
    std::string first = prefix1 == nullptr ? "" : prefix1;
    std::string second = prefix2 == nullptr ? "" : prefix2;
    while (true) {
        int n = GetLine(slot, maxlen);
        if (n == 0) {
            if (maxlen >= 0 && slot != nullptr && *slot != nullptr) (*slot)[0] = 0;
            return 0;
        }
        // The copy has a NUL at n, so a byte-by-byte test stops there.
        if (starts_with(*slot, first) || starts_with(*slot, second)) return n;
    }
}

}  // namespace lintrow::model
