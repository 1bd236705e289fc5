#include "export/WorkbookCheck.h"

#include <minizip/unzip.h>

#include <array>
#include <string>

namespace {

// Enough of a part's end to hold its closing tag.
constexpr std::size_t TAIL_SIZE = 256;

// The name of the root element of an XML text, after its declaration.
std::string RootElement(const std::string& head) {
    std::size_t at = 0;
    while ((at = head.find('<', at)) != std::string::npos) {
        const char next = at + 1 < head.size() ? head[at + 1] : '\0';
        if (next != '?' && next != '!') {
            const std::size_t end = head.find_first_of(" \t\r\n/>", at + 1);
            return end == std::string::npos ? std::string() : head.substr(at + 1, end - at - 1);
        }
        ++at;
    }
    return {};
}

bool EndsWithClosingTag(const std::string& head, std::string tail) {
    const std::string root = RootElement(head);
    while (!tail.empty() && std::string(" \t\r\n").find(tail.back()) != std::string::npos) {
        tail.pop_back();
    }
    const std::string closing = "</" + root + ">";
    return !root.empty() && tail.size() >= closing.size() &&
           tail.compare(tail.size() - closing.size(), closing.size(), closing) == 0;
}

// Reads the current member to its end; false when it cannot be read or its checksum differs.
bool MemberIsWhole(unzFile zip, bool xml) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        return false;
    }
    std::array<char, 65536> buffer;
    std::string head;
    std::string tail;
    int read = 0;
    while ((read = unzReadCurrentFile(zip, buffer.data(), buffer.size())) > 0) {
        if (head.size() < TAIL_SIZE) {
            head.append(buffer.data(), static_cast<std::size_t>(read));
        }
        tail.append(buffer.data(), static_cast<std::size_t>(read));
        if (tail.size() > TAIL_SIZE) {
            tail.erase(0, tail.size() - TAIL_SIZE);
        }
    }
    const bool checked = unzCloseCurrentFile(zip) == UNZ_OK;  // the checksum is compared here
    return read == 0 && checked && (!xml || EndsWithClosingTag(head, tail));
}

}  // namespace

bool WorkbookIsWhole(const std::filesystem::path& file) {
    unzFile zip = unzOpen64(file.c_str());
    if (!zip) {
        return false;
    }
    bool whole = unzGoToFirstFile(zip) == UNZ_OK;
    while (whole) {
        char name[512];
        unz_file_info64 info{};
        whole = unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) ==
                UNZ_OK;
        const std::string member = whole ? name : "";
        const bool xml = member.ends_with(".xml") || member.ends_with(".rels");
        whole = whole && MemberIsWhole(zip, xml);
        const int next = unzGoToNextFile(zip);
        if (next == UNZ_END_OF_LIST_OF_FILE) {
            break;
        }
        whole = whole && next == UNZ_OK;
    }
    unzClose(zip);
    return whole;
}
