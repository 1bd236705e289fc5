#include "app/OpenDocumentFile.h"

#include <fstream>

#include "document/CDTDoc.h"
#include "platform/CArchive.h"
#include "platform/CPrompt.h"

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
