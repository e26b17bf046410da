#pragma once
// A new folder of its own under the temporary folder, removed with everything
// in it at the end.
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace tarn::test {

class TempDir {
public:
    // A random name; create_directory fails on one that exists (also on Windows).
    TempDir() {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            const auto path = std::filesystem::temp_directory_path() / ("tarn-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(path)) m_path = path;
        }
        if (m_path.empty()) throw std::runtime_error("no temporary folder");
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path File(const std::string& name) const { return m_path / name; }
    std::u16string WideFile(const std::string& name) const { return File(name).u16string(); }
    std::string Path(const std::string& name) const { return File(name).string(); }

private:
    std::filesystem::path m_path;
};

}  // namespace tarn::test
