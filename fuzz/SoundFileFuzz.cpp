// Fuzz target for the measurement file loader: any bytes must either load or be refused,
// never crash, and a loaded record must store and reload to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "document/CDTDoc.h"
#include "document/CTextReport.h"
#include "platform/CArchive.h"
#include "platform/CPrompt.h"

namespace {

class CSilentPrompt : public CPrompt {
public:
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }
};

std::string Stored(const CDTDoc& doc) {
    std::ostringstream out;
    CArchive archive(out);
    if (!doc.Store(archive) || !archive.Flush()) {
        std::abort();
    }
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CArchive archive(in);
    CDTDoc doc;
    CSilentPrompt prompt;
    if (doc.Load(archive, prompt) != LoadResult::Loaded) {
        return 0;
    }
    doc.Record().DeriveTextsAfterLoad();
    doc.Record().RecomputeStatistics();
    std::ostringstream report;
    if (!WriteTextReport(doc.Record(), report)) {
        std::abort();
    }

    const std::string once = Stored(doc);
    std::istringstream again(once);
    CArchive reload(again);
    CDTDoc copy;
    if (copy.Load(reload, prompt) != LoadResult::Loaded || Stored(copy) != once) {
        std::abort();
    }
    return 0;
}
