#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// The program directory of a benchmark run: a temporary one of its own, so that
// PreMeasure.sound and the like never touch the user's. Removed when the run is over.
class CBenchHome {
public:
    CBenchHome() {
        std::string home =
            (std::filesystem::temp_directory_path() / "datalogger-bench-XXXXXX").string();
        if (mkdtemp(home.data()) != nullptr) {
            m_path = home;
            setenv("DATALOGGER_HOME", home.c_str(), 1);
        }
    }
    ~CBenchHome() {
        std::error_code ignored;  // a leftover temporary folder harms nothing
        std::filesystem::remove_all(m_path, ignored);
    }
    CBenchHome(const CBenchHome&) = delete;
    CBenchHome& operator=(const CBenchHome&) = delete;

    bool Made() const { return !m_path.empty(); }

private:
    std::filesystem::path m_path;
};
