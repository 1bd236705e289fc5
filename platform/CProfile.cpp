#include "platform/CProfile.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <fstream>
#include <sstream>

#include "platform/CAtomicFile.h"

namespace {

constexpr std::string_view UTF8_MARK = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

int LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL + INT_MAX);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

CProfile::CProfile(std::filesystem::path file) : m_file(std::move(file)) {
    // Only a plain file is read: a named pipe would keep the program waiting for a writer.
    std::error_code error;
    if (std::filesystem::is_regular_file(m_file, error)) {
        std::ifstream in(m_file, std::ios::binary);
        Parse(in);
    }
}

CProfile::CProfile(std::filesystem::path file, std::string_view text) : m_file(std::move(file)) {
    std::istringstream in{std::string(text)};
    Parse(in);
}

void CProfile::Parse(std::istream& in) {
    std::string text;
    std::string section;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        // A file saved by an editor that marks UTF-8 keeps its mark, ahead of the first line.
        if (m_lines.empty() && text.starts_with(UTF8_MARK)) {
            text.erase(0, UTF8_MARK.size());
            m_utf8Mark = true;
        }
        Line line{text, section, {}, false};
        const std::string_view trimmed = Trim(text);
        if (trimmed.size() >= 2 && trimmed.front() == '[') {
            const auto close = trimmed.find(']');
            section = std::string(Trim(trimmed.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            line.Section = section;
            line.IsHeader = true;
        } else if (!trimmed.empty() && trimmed.front() != ';') {
            if (const auto equals = trimmed.find('='); equals != std::string_view::npos) {
                line.Key = std::string(Trim(trimmed.substr(0, equals)));
            }
        }
        m_lines.push_back(std::move(line));
    }
}

std::ptrdiff_t CProfile::IndexOf(std::string_view section, std::string_view key) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (!line.IsHeader && !line.Key.empty() && SameName(line.Section, section) &&
            SameName(line.Key, key)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

std::string CProfile::ValueOf(const Line& line) {
    std::string_view value = line.Text;
    value.remove_prefix(value.find('=') + 1);
    value = Trim(value);
    // The host strips one pair of enclosing quotes.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

int CProfile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    const std::ptrdiff_t index = IndexOf(section, key);
    if (index < 0) {
        return defaultValue;
    }
    const std::string value = ValueOf(m_lines[static_cast<std::size_t>(index)]);
    return value.empty() ? defaultValue : LeadingInteger(value);
}

std::string CProfile::GetString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    const std::ptrdiff_t index = IndexOf(section, key);
    return index < 0 ? std::string(defaultValue)
                     : ValueOf(m_lines[static_cast<std::size_t>(index)]);
}

void CProfile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    if (const std::ptrdiff_t index = IndexOf(section, key); index >= 0) {
        // The key keeps the spelling it has in the file, as the host's writer keeps it.
        Line& line = m_lines[static_cast<std::size_t>(index)];
        line.Text = line.Key + "=" + std::string(value);
        return;
    }
    const std::string text = std::string(key) + "=" + std::string(value);
    // Append to the end of the section's last key line, or after its header.
    std::size_t insertAt = m_lines.size();
    bool sectionFound = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (SameName(m_lines[i].Section, section)) {
            sectionFound = true;
            if (m_lines[i].IsHeader || !m_lines[i].Key.empty()) {
                insertAt = i + 1;
            }
        }
    }
    if (!sectionFound) {
        m_lines.push_back(Line{"[" + std::string(section) + "]", std::string(section), {}, true});
        insertAt = m_lines.size();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   Line{text, std::string(section), std::string(key), false});
}

void CProfile::SetInt(std::string_view section, std::string_view key, int value) {
    SetString(section, key, std::to_string(value));
}

bool CProfile::Save() const {
    CAtomicFile file(m_file);
    if (!file.Open()) {
        return false;
    }
    file.Stream() << Text();
    return file.Commit();
}

std::string CProfile::Text() const {
    std::string text(m_utf8Mark ? UTF8_MARK : "");
    for (const Line& line : m_lines) {
        text += line.Text + "\r\n";
    }
    return text;
}
