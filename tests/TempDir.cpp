#include "tests/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>

CTempDir::CTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "datalogger-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary directory");
    }
    m_path = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ignored;  // a test must not fail while cleaning up after itself
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}
