// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends; and small file helpers for tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tervaline::testing {

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Path of Name inside the folder, as a string; the '/' in Name become
    // the system's separators. Name passes as bytes: it may be UTF-8 where
    // the library would take it for another code page.
    std::string operator/(const std::string& name) const;

private:
    std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

// Names of the regular files directly inside Folder, sorted.
std::vector<std::string> ListFiles(const std::filesystem::path& folder);
// The same, of the message files (*.eml) only.
std::vector<std::string> ListMessageFiles(const std::filesystem::path& folder);

}  // namespace tervaline::testing
