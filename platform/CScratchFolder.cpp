#include "platform/CScratchFolder.h"

#include <stdlib.h>

#include <system_error>

CScratchFolder::CScratchFolder(const std::string& prefix) {
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / (prefix + "-XXXXXX")).string();
    if (!error && mkdtemp(pattern.data())) {
        m_path = pattern;
    }
}

CScratchFolder::~CScratchFolder() {
    if (!m_path.empty()) {
        std::error_code ignored;  // nothing more can be done about a leftover scratch folder
        std::filesystem::remove_all(m_path, ignored);
    }
}
