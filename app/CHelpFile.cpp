#include "app/CHelpFile.h"

#include <chm_lib.h>

namespace {

constexpr const char* HELP_FILE_NAME = "help.chm";

std::filesystem::path InstalledHelpFile(const std::filesystem::path& programDirectory) {
    return (programDirectory / ".." / "share" / "datalogger" / HELP_FILE_NAME).lexically_normal();
}

}  // namespace

std::unique_ptr<CHelpFile> CHelpFile::Open(const std::filesystem::path& file) {
    chmFile* handle = chm_open(file.c_str());
    if (handle == nullptr) {
        return nullptr;
    }
    // The contents page is what the help shows first: a file without it is no help file.
    auto help = std::unique_ptr<CHelpFile>(new CHelpFile(handle));
    if (!help->Read(HELP_CONTENTS_PAGE)) {
        return nullptr;
    }
    return help;
}

CHelpFile::~CHelpFile() {
    chm_close(m_handle);
}

std::optional<std::string> CHelpFile::Read(const std::string& page) const {
    chmUnitInfo unit{};
    if (chm_resolve_object(m_handle, page.c_str(), &unit) != CHM_RESOLVE_SUCCESS) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(unit.length), '\0');
    const LONGINT64 read =
        chm_retrieve_object(m_handle, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(unit.length));
    if (read < 0 || static_cast<LONGUINT64>(read) != unit.length) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::filesystem::path> FindHelpFile(const std::filesystem::path& programDirectory) {
    for (const auto& candidate :
         {programDirectory / HELP_FILE_NAME, InstalledHelpFile(programDirectory)}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate.lexically_normal();
        }
    }
    return std::nullopt;
}

std::string MissingHelpMessage(const std::filesystem::path& programDirectory) {
    return "The help file help.chm was found neither beside the program (" +
           programDirectory.lexically_normal().string() + ") nor at " +
           InstalledHelpFile(programDirectory).string() +
           ". Installing the program again puts it back.";
}

std::string UnreadableHelpMessage(const std::filesystem::path& file) {
    return "The help file \"" + file.string() +
           "\" could not be read: it is damaged or not a help file. Installing the program "
           "again puts it back.";
}
