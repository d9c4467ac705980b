// Test folders under $VYR_TEST_TMPDIR (set by CTest to the build tree) or the system's temp folder.
#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace vyr::test {

TempDir::TempDir() {
    const char* base = std::getenv("VYR_TEST_TMPDIR");
    std::filesystem::path root = (base != nullptr && *base != '\0')
                                     ? std::filesystem::path(base)
                                     : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(root);
    std::string pattern = (root / "vyr-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed under " + root.string());
    }
    path_ = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vyr::test
