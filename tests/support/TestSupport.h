// Helpers for the test suites: Messages and Progress that record what they were given, and a
// temporary folder removed with everything in it when the test ends.
#pragma once

#include "core/Messages.h"
#include "core/Progress.h"

#include <filesystem>
#include <string>
#include <vector>

namespace gc::test {

struct ShownMessage {
    MessageKind m_kind;
    std::string m_strText;
    std::string m_strCaption;
};

class RecordingMessages final : public Messages {
public:
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override {
        m_shown.push_back({kind, text, caption});
    }
    std::vector<std::string> Texts() const;
    std::vector<ShownMessage> m_shown;
};

class RecordingProgress final : public Progress {
public:
    void SetRange(int lower, int upper) override {
        m_nLower = lower;
        m_nUpper = upper;
    }
    void SetPos(int position) override { m_positions.push_back(position); }
    int m_nLower = 0;
    int m_nUpper = 0;
    std::vector<int> m_positions;
};

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::vector<unsigned char> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// Runs a shell command, returns its exit status and collects standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);
// Folder of the shared read-only test corpora.
std::string SharedTestData();

} // namespace gc::test
