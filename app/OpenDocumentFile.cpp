#include "app/OpenDocumentFile.h"

#include <QFile>
#include <QString>
#include <fstream>

#include "document/CDTDoc.h"
#include "platform/AnsiCodePage.h"
#include "platform/CArchive.h"
#include "platform/CPrompt.h"
#include "platform/RecentFiles.h"

namespace {

// The prompt shows single-byte texts in the Windows code page; a file name is the system's
// text. Characters the code page lacks show as "?".
std::string FileNameAsLocalText(const std::filesystem::path& file) {
    std::string text;
    for (const QChar c : QFile::decodeName(file.c_str())) {
        char byte = '?';
        for (int code = 0x20; code < 0x100; ++code) {
            if (CodePointOfAnsiByte(static_cast<std::uint8_t>(code)) == c.unicode()) {
                byte = static_cast<char>(code);
                break;
            }
        }
        text += byte;
    }
    return text;
}

class CFileNamingPrompt : public CPrompt {
public:
    CFileNamingPrompt(CPrompt& prompt, const std::filesystem::path& file)
        : m_prompt(prompt), m_fileLine("\n\n" + FileNameAsLocalText(file)) {}

    void Message(const std::string& text, PromptIcon icon) override {
        m_prompt.Message(text + m_fileLine, icon);
    }
    bool AskYesNo(const std::string& text, PromptIcon icon) override {
        return m_prompt.AskYesNo(text + m_fileLine, icon);
    }

private:
    CPrompt& m_prompt;
    std::string m_fileLine;
};

}  // namespace

bool OpenDocumentFile(CDTDoc& doc, const std::filesystem::path& file, CPrompt& prompt) {
    std::ifstream in(file, std::ios::binary);
    std::error_code error;
    if (!in || std::filesystem::is_directory(file, error)) {
        prompt.Message("Failed to open document.", PromptIcon::Warning);
        return false;
    }
    CArchive archive(in);
    switch (doc.Load(archive, prompt)) {
        case LoadResult::Loaded:
            doc.PathName = file;
            return true;
        // The foreign file does not become the document's: Ctrl+S must not write over it.
        case LoadResult::WrongSignature:
            return true;
        case LoadResult::Damaged:
            prompt.Message("Unexpected file format.", PromptIcon::Warning);
            return false;
        case LoadResult::CannotOpen:
            break;
    }
    prompt.Message("Failed to open document.", PromptIcon::Warning);
    return false;
}

bool OpenDocumentFileAtStart(CDTDoc& doc, const std::filesystem::path& file, CPrompt& prompt) {
    CFileNamingPrompt naming(prompt, file);
    if (!OpenDocumentFile(doc, file, naming)) {
        return false;
    }
    // A file opened from a file manager is one the user may well want again, as one opened
    // with File > Open; a foreign file, refused, is not.
    if (doc.PathName == file) {
        static_cast<void>(AddRecentFile(file));  // only the list's help is lost
    }
    return true;
}
