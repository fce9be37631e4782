// Feeds arbitrary bytes to the pack store's reading of config.txt, then builds a folder tree
// from the same bytes (folders, config.txt and level files of any content, links out and in
// circles, FIFOs, names that are not UTF-8), walks it as kivo-level check does, and makes
// slot edits in every folder of it, each done and undone, which must change nothing outside
// that folder's level folder.
#include "storage/check/pack_check.h"
#include "storage/pack/pack.h"
#include "storage/pack/slot_edits.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace kivo;

namespace {

constexpr size_t MAX_OPERATIONS = 64;
constexpr size_t MAX_DEPTH = 4;
constexpr size_t MAX_EDITED_FOLDERS = 16;

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

// A new file, never over anything there (a FIFO would block the writer).
void WriteNew(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd >= 0) {
        (void)!::write(fd, bytes.data(), bytes.size());
        ::close(fd);
    }
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
            WriteNew(path, in.Chunk(255) + in.Chunk(255));
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
    const PackConfig config = ParsePackConfig(bytes);
    if (config.lines.size() != 4 || !bytes.endsWith(QByteArray::fromStdString(config.rest))) {
        std::abort();
    }
    for (const std::string& line : config.lines) {
        if (line.find_first_of("\r\n") != std::string::npos ||
            StoredPackText(ShownPackText(line), line) != line ||
            (config.problem.isEmpty() && line.find('\0') != std::string::npos)) {
            std::abort();
        }
    }
}

// Every entry below a folder, links not followed: a regular file by its bytes, a link by
// where it points, anything else by its type.
void Snapshot(const std::string& path, std::map<std::string, std::string>& entries) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return;
    }
    std::string& entry = entries[path];
    entry = std::to_string(st.st_mode & S_IFMT) + ':';
    if (S_ISREG(st.st_mode)) {
        entry += ReadFileStart(path, 1 << 20, Links::Refuse).bytes.toStdString();
    } else if (S_ISLNK(st.st_mode)) {
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        entry += target.substr(0, size_t(std::max<ssize_t>(n, 0)));
    } else if (S_ISDIR(st.st_mode)) {
        for (const std::string& name : ListFolder(path).names) {
            Snapshot(path + '/' + name, entries);
        }
    }
}

// The real folders of the tree, links not followed: each is tried as a pack.
void Folders(const std::string& path, std::vector<std::string>& folders) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return;
    }
    folders.push_back(path);
    for (const std::string& name : ListFolder(path).names) {
        Folders(path + '/' + name, folders);
    }
}

int SlotOf(Input& in) {
    const uint8_t pick = in.Byte();
    return pick < 200 ? int(pick % 3 == 0 ? 0 : pick % 3 == 1 ? 1 : 100) : pick - 200;
}

SlotEdit PlanFrom(Input& in, const Pack& pack) {
    const uint8_t kind = in.Byte() % 4;
    const int a = SlotOf(in);
    const int b = SlotOf(in);
    return kind == 0   ? PlanExchange(pack, a, b)
           : kind == 1 ? PlanMoveTo(pack, a, b)
           : kind == 2 ? PlanReset(pack, a)
                       : PlanPut(pack, a, QByteArray::fromStdString(in.Chunk(64)));
}

// Whether a change at `path` lies in the real level folder of `pack`.
bool InLevelFolder(const std::string& path, const std::string& pack) {
    const std::string levels = pack + '/' + LEVELS_FOLDER_NAME + '/';
    struct stat st {};
    return path.compare(0, levels.size(), levels) == 0 &&
           path.find('/', levels.size()) == std::string::npos &&
           ::lstat(levels.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

using Entries = std::map<std::string, std::string>;

bool ChangedOnlyInLevelFolder(const Entries& before, const Entries& after,
                              const std::string& pack) {
    for (const Entries* side : {&before, &after}) {
        for (const auto& [path, entry] : *side) {
            const bool same =
                before.count(path) && after.count(path) && before.at(path) == after.at(path);
            if (!same && !InLevelFolder(path, pack)) {
                return false;
            }
        }
    }
    return true;
}

void CheckSlotEdits(Input& in, const std::string& root) {
    std::vector<std::string> folders;
    Folders(root, folders);
    for (size_t i = 0; i < folders.size() && i < MAX_EDITED_FOLDERS; ++i) {
        const std::string& pack = folders[i];
        Entries before;
        Snapshot(root, before);
        const SlotEdit edit = PlanFrom(in, Pack{pack});
        DoSlotEdit(edit);
        Entries done;
        Snapshot(root, done);
        UndoSlotEdit(edit);
        Entries undone;
        Snapshot(root, undone);
        if (!ChangedOnlyInLevelFolder(before, done, pack) ||
            !ChangedOnlyInLevelFolder(before, undone, pack)) {
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
    Input edits{data, size}; // the same bytes again choose the edits
    CheckSlotEdits(edits, tree);
    return 0;
}
