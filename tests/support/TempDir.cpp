#include "tests/support/TempDir.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace tervaline::testing {

namespace fs = std::filesystem;

TTempDir::TTempDir() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("tervaline-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    // A test may have taken write permission away; give it back first.
    for (auto it = fs::recursive_directory_iterator(path_, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
}

std::string TTempDir::operator/(const std::string& name) const {
    constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);
    std::string native = name;
    std::replace(native.begin(), native.end(), '/', kSeparator);
    return path_.string() + kSeparator + native;
}

std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> ListFiles(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListMessageFiles(const fs::path& folder) {
    std::vector<std::string> names = ListFiles(folder);
    std::erase_if(names, [](const std::string& name) { return fs::path(name).extension() != ".eml"; });
    return names;
}

}  // namespace tervaline::testing
