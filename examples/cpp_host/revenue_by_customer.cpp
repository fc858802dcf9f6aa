// Sums the `total` column of an orders file per customer, from the header
// line to the first empty line, and prints the customers by revenue.
//
//     revenue_by_customer FILE
//
// Links against the library like any C library: by its header and
// find_package(Lintrow) or pkg-config.
#include <Lintrow.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// The library holds one open file per process; this owns it for a scope.
class OpenFile {
public:
    OpenFile(const char* path, char delimiter) : delimiter_(1, delimiter) {
        if (PrepareFile(path) == HFILE_ERROR) throw std::runtime_error(std::string("cannot open ") + path);
        const char text[2] = {delimiter, '\0'};
        SetDelim(text);
    }
    ~OpenFile() { CloseFile(); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    // Moves to the first line that begins with prefix; false if an empty line
    // or the end of the file comes first.
    bool skip_to(const std::string& prefix) {
        while (next_nonempty_line()) {
            std::string line = fields_.front();
            for (std::size_t i = 1; i < fields_.size() && line.size() < prefix.size(); ++i) line += delimiter_ + fields_[i];
            if (line.compare(0, prefix.size(), prefix) == 0) return true;
        }
        return false;
    }

    // Moves to the next whole line and takes its fields; false at the end of
    // the file or an empty line. The library hands a line longer than
    // MAX_LINE_LENGTH over in pieces: a full piece goes on in the next scan,
    // and a 0 from that scan is the end of the long line (its line feed), not
    // an empty line.
    bool next_nonempty_line() {
        int length = NextLine();
        if (length == 0) return false;
        fields_ = piece_fields();
        while (length == MAX_LINE_LENGTH && (length = NextLine()) > 0) {
            std::vector<std::string> more = piece_fields();
            fields_.back() += more.front();  // a field cut between two pieces
            fields_.insert(fields_.end(), more.begin() + 1, more.end());
        }
        return true;
    }

    // The fields of the line skip_to or next_nonempty_line moved to.
    const std::vector<std::string>& fields() const { return fields_; }

private:
    std::vector<std::string> piece_fields() {
        std::vector<std::string> all;
        for (int index = 1; index <= Fields(); ++index) {
            char* slot = buffer_;
            const int length = GetField(index, &slot, MAX_LINE_LENGTH);
            all.emplace_back(buffer_, static_cast<std::size_t>(length));
        }
        return all;
    }

    std::string delimiter_;
    char buffer_[MAX_LINE_LENGTH + 1] = {};
    std::vector<std::string> fields_;
};

std::size_t column(const std::vector<std::string>& header, const std::string& name) {
    const auto found = std::find(header.begin(), header.end(), name);
    if (found == header.end()) throw std::runtime_error("no column " + name);
    return static_cast<std::size_t>(found - header.begin());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: revenue_by_customer FILE\n");
        return 2;
    }
    try {
        OpenFile file(argv[1], ',');
        if (!file.skip_to("order_id")) throw std::runtime_error("no header line");
        const std::vector<std::string> header = file.fields();
        const std::size_t customer = column(header, "customer");
        const std::size_t total = column(header, "total");
        std::map<std::string, double> revenue;
        int orders = 0;
        while (file.next_nonempty_line()) {
            const std::vector<std::string>& row = file.fields();
            if (row.size() < header.size()) continue;
            revenue[row[customer]] += std::strtod(row[total].c_str(), nullptr);
            ++orders;
        }
        std::vector<std::pair<std::string, double>> ranked(revenue.begin(), revenue.end());
        std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
        std::printf("%d orders\n", orders);
        for (const auto& [name, amount] : ranked) std::printf("%-16s %10.2f\n", name.c_str(), amount);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "revenue_by_customer: %s\n", error.what());
        return 1;
    }
    return 0;
}
