#include "document/CDTDoc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <span>
#include <sstream>
#include <system_error>

#include "document/MeasurementHistory.h"
#include "platform/CArchive.h"
#include "platform/CAtomicFile.h"
#include "platform/CProfile.h"
#include "platform/CPrompt.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* SIGNATURE = "Brantel";

// Reading the last measurement before it is replaced says nothing to the user.
class CSilentPrompt : public CPrompt {
public:
    void Message(const std::string&, PromptIcon) override {}
    bool AskYesNo(const std::string&, PromptIcon) override { return false; }
};

// Whether `grown` holds every reading of `earlier` at the same times: the same run, saved
// again as it went on. Levels compare bit for bit, so that readings without one match too.
bool HoldsAllOf(const CMeasurementRecord& grown, const CMeasurementRecord& earlier) {
    const auto count = static_cast<std::size_t>(earlier.SampleCount);
    return grown.StartTime == earlier.StartTime && grown.SampleInterval == earlier.SampleInterval &&
           earlier.SampleCount <= grown.SampleCount &&
           std::memcmp(earlier.Levels.data(), grown.Levels.data(), count * sizeof(float)) == 0;
}

}  // namespace

void CDTDoc::ReplaceRecord(CMeasurementRecord record, DocumentChange change) {
    m_record = std::move(record);
    ListCountStale = true;
    UpdateAllViews(change);
}

void CDTDoc::UpdateAllViews(DocumentChange change) const {
    for (const View& view : m_views) {
        view(change);
    }
}

bool CDTDoc::Store(CArchive& archive) const {
    const CMeasurementRecord& r = m_record;
    const LocalTimeParts start = SplitLocalTime(r.StartTime);
    const std::size_t count = static_cast<std::size_t>(std::max(r.SampleCount, 0));
    return archive.WriteString(SIGNATURE) && archive.WriteInt32(r.SampleCount) &&
           archive.WriteFloats(std::span(r.Levels).first(std::min(count, r.Levels.size()))) &&
           archive.WriteInt32(start.Year) && archive.WriteInt32(start.Month) &&
           archive.WriteInt32(start.Day) && archive.WriteInt32(start.Hour) &&
           archive.WriteInt32(start.Minute) && archive.WriteInt32(start.Second) &&
           archive.WriteFloat(r.SampleInterval) && archive.WriteString(r.AvgText) &&
           archive.WriteString(r.MaxText) && archive.WriteString(r.MinText) &&
           archive.WriteByte(r.IsDBA) && archive.WriteByte(r.IsFast) &&
           archive.WriteString(r.ModeText) && archive.WriteString(r.AlarmHighText) &&
           archive.WriteString(r.AlarmLowText);
}

LoadResult CDTDoc::Load(CArchive& archive, CPrompt& prompt) {
    std::string signature;
    if (!archive.ReadString(signature)) {
        return LoadResult::Damaged;
    }
    if (signature != SIGNATURE) {
        prompt.Message("Invalid Format!", PromptIcon::None);
        return LoadResult::WrongSignature;
    }

    CMeasurementRecord r;
    std::int32_t count = 0;
    if (!archive.ReadInt32(count) || count < 0 || count > FILE_CAPACITY ||
        static_cast<std::uint64_t>(count) > archive.BytesLeft() / sizeof(float)) {
        return LoadResult::Damaged;
    }
    try {
        r.ReplaceSeries(count);
    } catch (const std::bad_alloc&) {
        return LoadResult::Damaged;  // the current record stays, and with it the program
    }
    r.SampleCount = count;
    LocalTimeParts& start = r.StartParts;
    const bool complete = archive.ReadFloats(r.Levels) && archive.ReadInt32(start.Year) &&
                          archive.ReadInt32(start.Month) && archive.ReadInt32(start.Day) &&
                          archive.ReadInt32(start.Hour) && archive.ReadInt32(start.Minute) &&
                          archive.ReadInt32(start.Second) && archive.ReadFloat(r.SampleInterval) &&
                          archive.ReadString(r.AvgText) && archive.ReadString(r.MaxText) &&
                          archive.ReadString(r.MinText) && archive.ReadByte(r.IsDBA) &&
                          archive.ReadByte(r.IsFast) && archive.ReadString(r.ModeText) &&
                          archive.ReadString(r.AlarmHighText) && archive.ReadString(r.AlarmLowText);
    if (!complete) {
        return LoadResult::Damaged;
    }
    // A start time no calendar holds, or readings that are not spaced in time, cannot come
    // from the logger or from this program.
    const auto startTime = MakeLocalTime(start);
    if (!startTime || !std::isfinite(r.SampleInterval) || r.SampleInterval <= 0.0f) {
        return LoadResult::Damaged;
    }
    r.StartTime = *startTime;
    r.AlarmHigh = static_cast<float>(LeadingInteger(r.AlarmHighText));
    r.AlarmLow = static_cast<float>(LeadingInteger(r.AlarmLowText));

    m_record = std::move(r);
    FileJustLoaded = true;
    LoadedFromFile = true;
    ListCountStale = true;
    UpdateAllViews(DocumentChange::Loaded);
    return LoadResult::Loaded;
}

bool CDTDoc::StoreFile(const std::filesystem::path& file) const {
    CAtomicFile out(file);
    if (!out.Open()) {
        return false;
    }
    CArchive archive(out.Stream());
    return Store(archive) && archive.Flush() && out.Commit();
}

LoadResult CDTDoc::LoadFile(const std::filesystem::path& file, CPrompt& prompt) {
    // Only a plain file: a named pipe or a device would keep the program waiting.
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        return LoadResult::CannotOpen;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return LoadResult::CannotOpen;
    }
    CArchive archive(in);
    const LoadResult result = Load(archive, prompt);
    if (result == LoadResult::Damaged) {
        prompt.Message(DamagedFileMessage(file), PromptIcon::Warning);
    }
    return result;
}

bool CDTDoc::SaveLastMeasurement(HistoryRule rule) const {
    const auto file = LastMeasurementPath();
    if (!file) {
        return false;
    }
    // The measurement the file holds goes into the history first, unless this record holds
    // all of it; a file that cannot be read is kept too, under the time it was replaced.
    std::optional<std::filesystem::path> kept;
    std::error_code error;
    if (rule != HistoryRule::Archived &&
        std::filesystem::exists(std::filesystem::symlink_status(*file, error))) {
        CDTDoc previous;
        CSilentPrompt silent;
        const bool readable = previous.LoadFile(*file, silent) == LoadResult::Loaded;
        if (!readable || !HoldsAllOf(m_record, previous.m_record)) {
            kept = LinkIntoHistory(*file, readable ? HistoryStem(previous.m_record.StartTime)
                                                   : HistoryStem(CurrentTime(), "-unreadable"));
            if (!kept) {
                return false;
            }
        }
    }
    if (!StoreFile(*file)) {
        if (kept) {
            std::filesystem::remove(*kept, error);  // the file it names is still in place
        }
        return false;
    }
    if (kept && rule == HistoryRule::Keep) {
        PruneHistory(kept->parent_path());
        if (KeptInHistory) {
            KeptInHistory(*kept);
        }
    }
    return true;
}

LoadResult CDTDoc::LoadLastMeasurement(CPrompt& prompt) {
    const auto file = LastMeasurementPath();
    return file ? LoadFile(*file, prompt) : LoadResult::CannotOpen;
}

bool MeasurementFileAccepts(const CMeasurementRecord& record) {
    CDTDoc doc;
    doc.Record() = record;
    std::ostringstream stored;
    CArchive out(stored);
    if (!doc.Store(out) || !out.Flush()) {
        return false;
    }
    std::istringstream bytes(stored.str());
    CArchive in(bytes);
    CSilentPrompt silent;
    return doc.Load(in, silent) == LoadResult::Loaded;
}

std::string DamagedFileMessage(const std::filesystem::path& file) {
    return "The file \"" + file.string() +
           "\" is damaged or incomplete and could not be read. The current measurement is "
           "unchanged.";
}

std::string CannotOpenMessage(const std::filesystem::path& file) {
    return "The file \"" + file.string() +
           "\" could not be opened. The current measurement is unchanged.";
}

std::optional<std::filesystem::path> LastMeasurementPath() {
    return ProgramFile(LAST_MEASUREMENT_FILE);
}
