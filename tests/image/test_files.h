#pragma once
// Helpers of the image tests: a private temporary directory removed with its
// contents, and whole-file access.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tarn::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path File(const std::string& name) const { return m_path / name; }
    std::u16string WideFile(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// Deterministic filler bytes that differ from stream to stream.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed);
// Runs a shell command and returns its standard output; *status gets the exit status.
std::string RunCommand(const std::string& command, int* status);

}  // namespace tarn::test
