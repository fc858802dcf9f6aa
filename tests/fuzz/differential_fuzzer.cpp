// Differential fuzzer: decodes its input into files, read faults and a
// sequence of calls of all ten functions with arbitrary arguments, runs the
// sequence on the library and on the reference model, and stops at the first
// difference in a result, Fields(), Pos() or any byte of the caller's buffer
// (guard bytes on both sides included). Every scan path the CPU runs is checked.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Lintrow.h"
#include "model/reference_reader.h"
#include "model/twin_check.h"
#include "reader/reader_state.h"
#include "reader/scanner.h"

namespace {

using lintrow::model::GuardedBuffer;
using lintrow::model::ReferenceReader;
using lintrow::model::ScriptedFiles;

class Decoder {
public:
    Decoder(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return offset_ >= size_; }
    std::uint8_t byte() { return offset_ < size_ ? data_[offset_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    std::string bytes(std::size_t count) {
        std::string out;
        while (count-- > 0 && !empty()) out += static_cast<char>(byte());
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

// Text lines with fields and CR LF endings, cut to `count` bytes.
std::string filler(std::size_t count, std::uint8_t seed) {
    static const std::string kPattern = "12,alpha,3.5,,x\r\nbeta;gamma,\r\n\"q\",7\n";
    std::string out = kPattern.substr(seed % kPattern.size());
    while (out.size() < count) out += kPattern;
    out.resize(count);
    return out;
}

// Three fills and a little more reach every boundary worth reaching; more
// would only slow the fuzzer down.
constexpr std::size_t kMaxFileSize = 3 * READ_BUFFER_SIZE + 4096;

// Most pieces are small, which keeps most runs fast; a piece whose kind has
// the high bit set may be as long as 65535 bytes, to reach fill boundaries.
std::size_t piece_size(std::uint8_t kind, std::uint16_t size) { return (kind & 0x80) != 0 ? size : size % 1024u; }

std::string build_file(Decoder& in) {
    std::string content;
    const int pieces = in.byte() % 8;
    for (int i = 0; i < pieces; ++i) {
        const std::uint8_t kind = in.byte();
        switch (kind % 4) {
            case 0: content += in.bytes(in.byte()); break;
            case 1: {
                const std::size_t count = piece_size(kind, in.u16());
                content.append(count, static_cast<char>(in.byte()));
                break;
            }
            case 2: content += filler(piece_size(kind, in.u16()) + 1, kind); break;
            default: {
                static const char* const kSpecial[] = {"\r\n", "\n", "\r", ",", "\0", "\n\n", "\r\r\n", ";"};
                const char* special = kSpecial[(kind / 4) % 8];
                content += (kind / 4) % 8 == 4 ? std::string(1, '\0') : std::string(special);
            }
        }
    }
    if (content.size() > kMaxFileSize) content.resize(kMaxFileSize);
    return content;
}

const char* pick_path(std::uint8_t choice) {
    static const char* const kPaths[] = {"file0", "file1", "missing", nullptr, "", "file0"};
    return kPaths[choice % 6];
}

const char* pick_text(std::uint8_t choice, const std::string& sample) {
    static const char* const kTexts[] = {",", ";", "", nullptr, "\n", "\r", "#", "12", "beta", "\"q\"", ",;", "alpha,3"};
    if (choice % 16 < 12) return kTexts[choice % 16];
    return sample.c_str();
}

int pick_maxlen(std::uint8_t choice) {
    static const int kMaxlens[] = {INT_MIN, -1, 0, 1, 2, 3, 7, 15, 100, 1023, 1024, 1025, INT_MAX};
    return choice < 13 ? kMaxlens[choice] : choice - 13;
}

int pick_index(std::uint8_t choice) {
    static const int kIndexes[] = {INT_MIN, -1, 0, 1024, 1025, 1026, INT_MAX};
    return choice < 7 ? kIndexes[choice] : choice - 7;
}

char** pick_slot(std::uint8_t choice, GuardedBuffer& buffer, char*& null_pointer) {
    null_pointer = nullptr;
    switch (choice % 8) {
        case 0: return nullptr;
        case 1: return &null_pointer;
        default: return &buffer.pointer;
    }
}

ScriptedFiles* library_files = nullptr;

lintrow::platform::Handle library_open(const char* path, lintrow::platform::OpenInfo&,
                                       lintrow::platform::SourceKind& kind) {
    kind = library_files->live ? lintrow::platform::SourceKind::Live : lintrow::platform::SourceKind::RegularFile;
    return library_files->open(path);
}
std::int32_t library_read(lintrow::platform::Handle handle, unsigned char* into, std::int32_t size) {
    return library_files->read(handle, into, size);
}
std::int32_t library_close(lintrow::platform::Handle handle) { return library_files->close(handle); }
constexpr lintrow::platform::Calls kScriptedCalls = {library_open, library_read, library_close};

[[noreturn]] void diverged(int step, const std::string& what) {
    std::fprintf(stderr, "divergence at call %d: %s\n", step, what.c_str());
    std::abort();
}

// The files and read faults at the head of an input, decoded once for all
// scan paths; `calls` is left at the first call.
ScriptedFiles decode_files(Decoder& in) {
    ScriptedFiles files;
    const std::uint8_t reads = in.byte();
    files.chunk = std::size_t{reads % 4 == 0 ? in.u16() % 5000 : 0u};
    // A quarter of the inputs read from live sources, where a short read is
    // only what has arrived so far.
    files.live = (reads & 0xC0) == 0xC0;
    const std::uint16_t failures = in.u16();
    for (int bit = 0; bit < 16; ++bit) {
        if ((failures >> bit & 1) != 0) files.failing_reads.insert(bit + 1);
    }
    files.files["file0"] = build_file(in);
    files.files["file1"] = build_file(in);
    return files;
}

void run(const ScriptedFiles& files, Decoder in) {
    // The library reaches its files through a global, so they are static too.
    static ScriptedFiles files_for_library;
    files_for_library = files;
    ScriptedFiles files_for_model = files;

    library_files = &files_for_library;
    lintrow::Reader = lintrow::ReaderState{};
    lintrow::platform::active_calls = &kScriptedCalls;
    ReferenceReader model(files_for_model);

    GuardedBuffer library_buffer;
    GuardedBuffer model_buffer;
    for (int step = 1; !in.empty(); ++step) {
        const std::uint8_t op = in.byte();
        const std::uint8_t a = in.byte();
        const std::uint8_t b = in.byte();
        const std::uint8_t c = in.byte();
        const std::string sample = in.bytes(in.byte() % 6);
        library_buffer.reset();
        model_buffer.reset();
        char* library_null = nullptr;
        char* model_null = nullptr;
        char** library_slot = pick_slot(c, library_buffer, library_null);
        char** model_slot = pick_slot(c, model_buffer, model_null);
        long library_result = 0;
        long model_result = 0;
        switch (op % 11) {
            case 0:
                library_result = PrepareFile(pick_path(a));
                model_result = model.PrepareFile(pick_path(a));
                break;
            case 1:
                SetDelim(pick_text(a, sample));
                model.SetDelim(pick_text(a, sample));
                break;
            case 2:
                library_result = CloseFile();
                model_result = model.CloseFile();
                break;
            case 3:
                library_result = NextLine();
                model_result = model.NextLine();
                break;
            case 4:
                library_result = GetLine(library_slot, pick_maxlen(b));
                model_result = model.GetLine(model_slot, pick_maxlen(b));
                break;
            case 5:
                library_result = CurrentRecord(library_slot, pick_maxlen(b));
                model_result = model.CurrentRecord(model_slot, pick_maxlen(b));
                break;
            case 6:
                library_result = GetField(pick_index(a), library_slot, pick_maxlen(b));
                model_result = model.GetField(pick_index(a), model_slot, pick_maxlen(b));
                break;
            case 7:
                library_result = SkipToLine(pick_text(a, sample), pick_text(b, sample), library_slot, pick_maxlen(c / 8));
                model_result = model.SkipToLine(pick_text(a, sample), pick_text(b, sample), model_slot, pick_maxlen(c / 8));
                break;
            case 8:
                for (int i = 0; i <= a; ++i) {
                    library_result += NextLine();
                    model_result += model.NextLine();
                }
                break;
            default:
                // Fields and Pos are compared after every call anyway.
                for (int i = 0; i <= a % 4; ++i) {
                    library_result = GetField(b % 12, library_slot, 1024);
                    model_result = model.GetField(b % 12, model_slot, 1024);
                }
                break;
        }
        const std::string different = difference(library_result, model_result, model, library_buffer, model_buffer);
        if (!different.empty()) diverged(step, different);
        if (files_for_library.misuse) diverged(step, "closed or unknown handle used");
        if (files_for_library.read_calls() != files_for_model.read_calls()) {
            diverged(step, "read calls: library " + std::to_string(files_for_library.read_calls()) + ", model " +
                               std::to_string(files_for_model.read_calls()));
        }
    }
    lintrow::platform::active_calls = &lintrow::platform::kSystemCalls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Decoder in(data, size);
    const ScriptedFiles files = decode_files(in);
    for (const lintrow::NamedScanPath& named : lintrow::kScanPaths) {
        if (lintrow::use_scan_path(named.path)) run(files, in);
    }
    lintrow::use_scan_path(lintrow::ScanPath::Best);
    return 0;
}
