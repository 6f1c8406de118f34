#pragma once
// A fresh folder under the temporary folder, removed with everything in it
// when the object goes.

#include <string>

namespace testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing '/'.
    const std::string& Path() const { return m_path; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const;
    // Writes `contents` to File(name) and returns its path.
    std::string Write(const std::string& name, const std::string& contents) const;

private:
    std::string m_path;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

} // namespace testing_support
