#pragma once

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

// A private profile (INI) file read and written as the host's profile functions do:
// sections and keys match without regard to case, an integer is the leading decimal number
// of its value, a missing file or key gives the caller's default, and values are written as
// text. Writing keeps every other section, key, blank line and comment of the file as it
// was, and replaces the file atomically.
class CProfile {
public:
    // Reads the file if it exists; a missing or unreadable file, or one that is not a plain
    // file, is an empty profile.
    explicit CProfile(std::filesystem::path file);
    // The profile of `file` as if it held `text`.
    CProfile(std::filesystem::path file, std::string_view text);

    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

    // Changes the value in memory, adding the section and the key when they are missing.
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);

    // Writes the file; false when it could not be replaced (the old file then stays).
    [[nodiscard]] bool Save() const;
    // What Save() writes: every line as read or set, each ending with CR LF.
    std::string Text() const;

    const std::filesystem::path& File() const { return m_file; }

private:
    // One line of the file as it was read; key lines also carry their parsed parts.
    struct Line {
        std::string Text;
        std::string Section;  // section the line belongs to (its own name for a header)
        std::string Key;      // empty unless the line is "key=value"
        bool IsHeader = false;
    };

    void Parse(std::istream& in);
    // Index of the key's line, or -1.
    std::ptrdiff_t IndexOf(std::string_view section, std::string_view key) const;
    static std::string ValueOf(const Line& line);

    std::filesystem::path m_file;
    std::vector<Line> m_lines;
    bool m_utf8Mark = false;
};

// The leading decimal number of a text, as the profile and the dialogs read numbers:
// optional blanks, an optional sign, then digits; 0 when there are none.
int LeadingInteger(std::string_view text);
