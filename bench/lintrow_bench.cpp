// Generates deterministic input files and measures, for each, reading the
// file alone, counting its line feeds with memchr, the NextLine loop and a
// full pull (GetLine, Fields, GetField for every field) on the library's
// best and scalar scan paths, and the same two loops over the plain
// reference model from the tests. One thread, page cache warm.
//
//   lintrow_bench [--dir DIR] [--scale N]      all files; sizes divided by N
//   lintrow_bench --nextline-only FILE BYTES [PATH]
//                                              NextLine over the first BYTES on
//                                              a scan path (default the best),
//                                              for counting instructions
//   lintrow_bench --pull-only FILE DELIMITER   the full pull over FILE
//   lintrow_bench --headline-file [--dir DIR] [--scale N]
//                                              writes only the headline file
//                                              and prints its path
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Lintrow.h"
#include "model/reference_reader.h"
#include "reader/scanner.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Shape {
    const char* name;
    const char* delimiter;
    std::size_t megabytes;
    std::string (*line)(std::uint64_t& seed);
};

std::uint64_t next_random(std::uint64_t& seed) {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
}

std::string csv_line(std::uint64_t& seed) {
    static const char* const kWords[] = {"alpha", "Bravo Ltd", "charlie", "delta-echo", "foxtrot", "golf club", "hotel", "india"};
    const std::uint64_t r = next_random(seed);
    std::string line = std::to_string(r % 1000000) + ",";
    line += kWords[r % 8];
    line += "," + std::to_string((r >> 8) % 100000) + "." + std::to_string((r >> 20) % 100) + ",";
    line += kWords[(r >> 24) % 8];
    line += ",2026-" + std::to_string(1 + (r >> 28) % 12) + "-" + std::to_string(1 + (r >> 32) % 28) + ",";
    line += std::to_string((r >> 36) % 10) + ",";
    line += kWords[(r >> 40) % 8];
    line += std::string(" note ") + std::to_string((r >> 44) % 997) + ",";
    line += (r >> 50) % 2 ? "Y" : "N";
    return line + "\r\n";
}

std::string log_line(std::uint64_t& seed) {
    const std::uint64_t r = next_random(seed);
    std::string line = "2026-12-08T18:" + std::to_string(10 + r % 50) + ":" + std::to_string(10 + (r >> 8) % 50) +
                       " INFO worker-" + std::to_string((r >> 16) % 16) + " request served in " +
                       std::to_string((r >> 24) % 5000) + " us for client " + std::to_string((r >> 40) % 65536);
    return line + "\n";
}

std::string tiny_fields_line(std::uint64_t& seed) {
    const std::uint64_t r = next_random(seed);
    std::string line;
    const int fields = 20 + static_cast<int>(r % 40);
    for (int i = 0; i < fields; ++i) {
        line += static_cast<char>('a' + (r >> (i % 60)) % 26);
        line += ',';
    }
    line.back() = '\n';
    return line;
}

std::string long_line(std::uint64_t& seed) {
    const std::uint64_t r = next_random(seed);
    std::string line;
    const std::size_t length = 1100 + r % 3000;
    while (line.size() < length) line += "field value " + std::to_string(next_random(seed) % 100000) + ";";
    return line + "\r\n";
}

const Shape kShapes[] = {
    {"csv-crlf (headline)", ",", 256, csv_line},
    {"log-lf-no-delimiter", ",", 64, log_line},
    {"one-byte-fields", ",", 64, tiny_fields_line},
    {"long-lines", ";", 64, long_line},
};

std::string make_file(const std::string& directory, const Shape& shape, std::size_t bytes) {
    std::string name = shape.name;
    name = name.substr(0, name.find(' '));
    const std::string path = directory + "/" + name + "-" + std::to_string(bytes) + ".txt";
    if (std::filesystem::exists(path) && std::filesystem::file_size(path) == bytes) return path;
    std::string content;
    content.reserve(bytes + 8192);
    std::uint64_t seed = 0x9E3779B97F4A7C15ull;
    while (content.size() < bytes) content += shape.line(seed);
    content.resize(bytes);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(content.data(), 1, content.size(), file) != content.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(file);
    return path;
}

// The median of `runs` timings of `work`, in seconds; `sink` keeps results
// alive.
volatile std::uint64_t sink;
double median_time(int runs, const std::function<std::uint64_t()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        sink = work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::uint64_t read_alone(const std::string& path) {
    static unsigned char block[READ_BUFFER_SIZE];
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::uint64_t total = 0;
    for (ssize_t got; (got = ::read(fd, block, sizeof block)) > 0;) total += static_cast<std::uint64_t>(got);
    ::close(fd);
    return total;
}

std::uint64_t count_line_feeds(const std::string& path) {
    static unsigned char block[READ_BUFFER_SIZE];
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::uint64_t lines = 0;
    for (ssize_t got; (got = ::read(fd, block, sizeof block)) > 0;) {
        const unsigned char* at = block;
        const unsigned char* const end = block + got;
        while ((at = static_cast<const unsigned char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)))) != nullptr) {
            ++lines;
            ++at;
        }
    }
    ::close(fd);
    return lines;
}

// Scans until a scan consumes nothing (the end of the file), asking each
// line's field count as a host that walks lines does.
template <class Reader>
std::uint64_t next_line_loop(Reader& reader, std::uint64_t bytes) {
    std::uint64_t fields = 0;
    std::uint64_t consumed = 0;
    for (;;) {
        const int before = reader.Pos();
        reader.NextLine();
        const auto step = static_cast<std::uint32_t>(reader.Pos()) - static_cast<std::uint32_t>(before);
        if (step == 0 || consumed >= bytes) break;
        consumed += step;
        fields += static_cast<std::uint64_t>(reader.Fields());
    }
    return fields;
}

template <class Reader>
std::uint64_t full_pull(Reader& reader) {
    char text[MAX_LINE_LENGTH + 1];
    char* buffer = text;
    std::uint64_t characters = 0;
    for (;;) {
        const int before = reader.Pos();
        characters += static_cast<std::uint64_t>(reader.GetLine(&buffer, MAX_LINE_LENGTH));
        if (reader.Pos() == before) break;
        const int fields = reader.Fields();
        for (int i = 1; i <= fields; ++i) characters += static_cast<std::uint64_t>(reader.GetField(i, &buffer, MAX_LINE_LENGTH));
    }
    return characters;
}

// The library behind the same member names as the model.
struct Library {
    int Pos() { return ::Pos(); }
    int NextLine() { return ::NextLine(); }
    int Fields() { return ::Fields(); }
    int GetLine(StringSlot slot, int maxlen) { return ::GetLine(slot, maxlen); }
    int GetField(int index, StringSlot slot, int maxlen) { return ::GetField(index, slot, maxlen); }
};

Library open_library(const std::string& path, const char* delimiter) {
    if (PrepareFile(path.c_str()) == HFILE_ERROR) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        std::exit(1);
    }
    SetDelim(delimiter);
    return {};
}

std::string slurp(const std::string& path) {
    std::string content(std::filesystem::file_size(path), '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (std::fread(content.data(), 1, content.size(), file) != content.size()) std::exit(1);
    std::fclose(file);
    return content;
}

void print_row(const char* what, double seconds, double bytes, double baseline) {
    std::printf("  %-34s %8.3f s %7.2f GB/s %7.2fx memchr\n", what, seconds, bytes / seconds / 1e9, seconds / baseline);
}

int pull_only(const char* path, const char* delimiter) {
    Library library = open_library(path, delimiter);
    std::printf("%llu characters\n", static_cast<unsigned long long>(full_pull(library)));
    std::printf("consumed %d bytes\n", Pos());
    CloseFile();
    return 0;
}

int nextline_only(const char* path, std::uint64_t bytes, const char* scan_path) {
    const std::optional<lintrow::ScanPath> named = lintrow::scan_path_named(scan_path);
    if (!named) {
        std::fprintf(stderr, "no scan path is named \"%s\"\n", scan_path);
        return 2;
    }
    if (!lintrow::use_scan_path(*named)) {
        std::fprintf(stderr, "this CPU cannot scan with %s\n", scan_path);
        return 1;
    }
    std::printf("scan path: %s\n", lintrow::scan_path_name(lintrow::scan_path()));
    Library library = open_library(path, ",");
    std::printf("%llu fields\n", static_cast<unsigned long long>(next_line_loop(library, bytes)));
    std::printf("consumed %d bytes\n", Pos());
    CloseFile();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string directory = "build/bench-data";
    std::size_t scale = 1;
    bool headline_file_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--nextline-only" && i + 2 < argc) {
            return nextline_only(argv[i + 1], std::strtoull(argv[i + 2], nullptr, 10), i + 3 < argc ? argv[i + 3] : "best");
        }
        if (arg == "--pull-only" && i + 2 < argc) return pull_only(argv[i + 1], argv[i + 2]);
        if (arg == "--dir" && i + 1 < argc) directory = argv[++i];
        if (arg == "--scale" && i + 1 < argc) scale = std::max<std::size_t>(1, std::strtoull(argv[++i], nullptr, 10));
        if (arg == "--headline-file") headline_file_only = true;
    }
    std::filesystem::create_directories(directory);
    if (headline_file_only) {
        std::printf("%s\n", make_file(directory, kShapes[0], kShapes[0].megabytes * 1024 * 1024 / scale).c_str());
        return 0;
    }
    lintrow::use_scan_path(lintrow::ScanPath::Best);
    std::printf("scan path chosen: %s\n", lintrow::scan_path_name(lintrow::scan_path()));
    const int runs = 5;
    for (const Shape& shape : kShapes) {
        const std::size_t bytes = shape.megabytes * 1024 * 1024 / scale;
        const std::string path = make_file(directory, shape, bytes);
        const double size = static_cast<double>(bytes);
        std::printf("\n%s: %.0f MiB, delimiter '%s'\n", shape.name, size / 1048576, shape.delimiter);
        read_alone(path);  // warm the page cache
        const double read_time = median_time(runs, [&] { return read_alone(path); });
        const double memchr_time = median_time(runs, [&] { return count_line_feeds(path); });
        // `loop` over the library on a scan path, or over the model.
        const auto time_library = [&](lintrow::ScanPath scan_path, auto loop) {
            lintrow::use_scan_path(scan_path);
            return median_time(runs, [&] {
                Library library = open_library(path, shape.delimiter);
                const std::uint64_t result = loop(library);
                CloseFile();
                return result;
            });
        };
        lintrow::model::ScriptedFiles files;
        files.files["input"] = slurp(path);
        const auto time_model = [&](auto loop) {
            return median_time(1, [&] {
                lintrow::model::ReferenceReader model(files);
                model.PrepareFile("input");
                model.SetDelim(shape.delimiter);
                return loop(model);
            });
        };
        const auto next_lines = [](auto& reader) { return next_line_loop(reader, UINT64_MAX); };
        const auto pull = [](auto& reader) { return full_pull(reader); };
        const double scalar_next_time = time_library(lintrow::ScanPath::Scalar, next_lines);
        const double next_time = time_library(lintrow::ScanPath::Best, next_lines);
        const double pull_time = time_library(lintrow::ScanPath::Best, pull);
        const double model_next_time = time_model(next_lines);
        const double model_pull_time = time_model(pull);
        print_row("read alone, 32 KiB blocks", read_time, size, memchr_time);
        print_row("memchr line-feed count", memchr_time, size, memchr_time);
        print_row("NextLine loop", next_time, size, memchr_time);
        print_row("NextLine loop, scalar kernel", scalar_next_time, size, memchr_time);
        print_row("NextLine loop, reference model", model_next_time, size, memchr_time);
        print_row("full pull", pull_time, size, memchr_time);
        print_row("full pull, reference model", model_pull_time, size, memchr_time);
        std::printf("  ratios: NextLine %.2fx memchr, %.1fx faster than the model, %.1fx than scalar; "
                    "full pull %.1fx faster than the model\n",
                    next_time / memchr_time, model_next_time / next_time, scalar_next_time / next_time,
                    model_pull_time / pull_time);
    }
    return 0;
}
