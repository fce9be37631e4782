// Feeds arbitrary bytes to the pack store's reading of config.txt, then builds a folder tree
// from the same bytes (folders, config.txt and level files of any content, links out and in
// circles, FIFOs, names that are not UTF-8) and walks it as kivo-level check does.
#include "storage/pack_check.h"
#include "storage/pack_store.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kivo;

namespace {

constexpr size_t MAX_OPERATIONS = 64;
constexpr size_t MAX_DEPTH = 4;

// Takes bytes from the front of the input; past the end it gives zeros.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    bool Done() const { return pos >= size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    std::string Chunk(size_t most) {
        const size_t length = std::min<size_t>(Byte(), most);
        std::string bytes;
        while (bytes.size() < length && !Done()) {
            bytes.push_back(char(Byte()));
        }
        return bytes;
    }
    // A name of one path component: any bytes but '/' and NUL, never empty, "." or "..".
    std::string Name() {
        std::string name = Chunk(12);
        for (char& c : name) {
            c = (c == '/' || c == '\0') ? '_' : c;
        }
        return name.empty() || name == "." || name == ".." ? "n" + name : name;
    }
};

const char* const KNOWN_NAMES[] = {"kivo",
                                   "config.txt",
                                   "default.kvo",
                                   "unlimited.kvo",
                                   "kivo1.kvo",
                                   "kivo100.kvo",
                                   ".kivo-save-999999999-1.tmp",
                                   ".kivo-new-pack-999999999-1"};
const char* const LINK_TARGETS[] = {"..", ".", "/dev/zero", "loop", "config.txt", "/nowhere"};

std::string NextName(Input& in) {
    const uint8_t pick = in.Byte();
    return pick < 128 ? KNOWN_NAMES[pick % std::size(KNOWN_NAMES)] : in.Name();
}

void BuildTree(Input& in, const std::string& root) {
    std::vector<std::string> folders{root};
    for (size_t op = 0; op < MAX_OPERATIONS && !in.Done(); ++op) {
        const std::string here = folders.back();
        const uint8_t kind = in.Byte() % 5;
        const std::string path = here + '/' + NextName(in);
        if (kind == 0 && folders.size() < MAX_DEPTH && ::mkdir(path.c_str(), 0700) == 0) {
            folders.push_back(path);
        } else if (kind == 1 && folders.size() > 1) {
            folders.pop_back();
        } else if (kind == 2) {
            WriteNewFile(path, QByteArray::fromStdString(in.Chunk(255) + in.Chunk(255)));
        } else if (kind == 3) {
            (void)::symlink(LINK_TARGETS[in.Byte() % std::size(LINK_TARGETS)], path.c_str());
        } else if (kind == 4) {
            ::mkfifo(path.c_str(), 0600);
        }
    }
}

// Made once per process and removed at exit; never destroyed before that removal.
const std::string& Root() {
    static const std::string* root = new std::string([] {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/kivo-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(Root(), ignored);
        });
        return pattern;
    }());
    return *root;
}

void CheckConfigReading(const QByteArray& bytes) {
    const std::vector<std::string> lines = ReadConfigLines(bytes);
    if (lines.size() != 4) {
        std::abort();
    }
    for (const std::string& line : lines) {
        if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos ||
            StoredPackText(ShownPackText(line), line) != line) {
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckConfigReading(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::string tree = Root() + "/tree";
    std::error_code ignored;
    std::filesystem::remove_all(tree, ignored);
    if (::mkdir(tree.c_str(), 0700) != 0) {
        std::abort();
    }
    Input in{data, size};
    BuildTree(in, tree);
    const CheckReport report = CheckPaths({tree});
    for (const Problem& problem : report.problems) {
        if (problem.path.compare(0, tree.size(), tree) != 0 || problem.what.isEmpty()) {
            std::abort();
        }
    }
    return 0;
}
