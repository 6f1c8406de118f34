#pragma once
// TempFile: a file written beside its target under a temporary name
// ("<target>.~<process>-<number>.tmp", never one that exists) and moved
// over the target only when complete, so a target is replaced whole or not
// at all. The media writers (AVI files, the DirectShow file writer) write
// through it. Creating one deletes the temporary files of the same target
// that writers which ended without finishing (killed, crashed) left.

#include <cstdio>
#include <string>

namespace av {

class TempFile {
public:
    TempFile() = default;
    // Abandons a file not committed.
    ~TempFile() { Abandon(); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // Creates the temporary file for `target`; 0 or a negative AVERROR.
    int Create(const std::string& target);
    // The open file, for reading, writing and seeking; null when none.
    std::FILE* File() const { return m_file; }
    bool IsOpen() const { return m_file != nullptr; }
    const std::string& Path() const { return m_path; }
    const std::string& Target() const { return m_target; }
    // Flushes, syncs and moves the file over its target; on failure the
    // temporary file is deleted and the target keeps its old content.
    int Commit();
    // Closes and deletes the temporary file.
    void Abandon();

private:
    std::FILE* m_file = nullptr;
    std::string m_target;
    std::string m_path;
};

} // namespace av
