#include "document/CDTDoc.h"

#include <algorithm>
#include <fstream>
#include <span>

#include "platform/CArchive.h"
#include "platform/CAtomicFile.h"
#include "platform/CProfile.h"
#include "platform/CPrompt.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* SIGNATURE = "Brantel";
constexpr const char* LAST_MEASUREMENT = "PreMeasure.sound";

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
    if (!archive.ReadInt32(count) || count < 0 ||
        static_cast<std::uint64_t>(count) > archive.BytesLeft() / sizeof(float)) {
        return LoadResult::Damaged;
    }
    r.SampleCount = count;
    r.ReplaceSeries(count);
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
    // A start time no calendar holds cannot come from the logger or from this program.
    const auto startTime = MakeLocalTime(start);
    if (!startTime) {
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
    std::ifstream in(file, std::ios::binary);
    if (!in || std::filesystem::is_directory(file)) {
        return LoadResult::CannotOpen;
    }
    CArchive archive(in);
    const LoadResult result = Load(archive, prompt);
    if (result == LoadResult::Damaged) {
        prompt.Message(DamagedFileMessage(file), PromptIcon::Warning);
    }
    return result;
}

bool CDTDoc::SaveLastMeasurement() const {
    const auto file = LastMeasurementPath();
    return file && StoreFile(*file);
}

LoadResult CDTDoc::LoadLastMeasurement(CPrompt& prompt) {
    const auto file = LastMeasurementPath();
    return file ? LoadFile(*file, prompt) : LoadResult::CannotOpen;
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
    return ProgramFile(LAST_MEASUREMENT);
}
