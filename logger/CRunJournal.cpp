#include "logger/CRunJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <sstream>

#include "document/CDTDoc.h"
#include "logger/MemoryDecoding.h"
#include "platform/CArchive.h"
#include "platform/CProfile.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* JOURNAL_NAME = "PreMeasure.journal";
constexpr const char* SIGNATURE = "Datalogger real-time journal 1";

// The header: what the record says besides its levels. The start time is kept in whole
// seconds, split in two, so that no daylight-saving change can move it.
bool StoreHeader(CArchive& archive, const CMeasurementRecord& r) {
    const auto start = static_cast<std::int64_t>(r.StartTime);
    return archive.WriteString(SIGNATURE) &&
           archive.WriteInt32(static_cast<std::int32_t>(start & 0xFFFFFFFF)) &&
           archive.WriteInt32(static_cast<std::int32_t>(start >> 32)) &&
           archive.WriteFloat(r.SampleInterval) && archive.WriteByte(r.IsDBA) &&
           archive.WriteByte(r.IsFast) && archive.WriteString(r.ModeText) &&
           archive.WriteString(r.AlarmHighText) && archive.WriteString(r.AlarmLowText);
}

bool LoadHeader(CArchive& archive, CMeasurementRecord& r) {
    std::string signature;
    std::int32_t startLow = 0;
    std::int32_t startHigh = 0;
    if (!archive.ReadString(signature) || signature != SIGNATURE || !archive.ReadInt32(startLow) ||
        !archive.ReadInt32(startHigh) || !archive.ReadFloat(r.SampleInterval) ||
        !archive.ReadByte(r.IsDBA) || !archive.ReadByte(r.IsFast) ||
        !archive.ReadString(r.ModeText) || !archive.ReadString(r.AlarmHighText) ||
        !archive.ReadString(r.AlarmLowText)) {
        return false;
    }
    r.StartTime = static_cast<std::time_t>((std::int64_t{startHigh} << 32) |
                                           static_cast<std::uint32_t>(startLow));
    return true;
}

}  // namespace

CRunJournal::CRunJournal(std::filesystem::path file) : m_file(std::move(file)) {}

CRunJournal::~CRunJournal() {
    Close();
}

bool CRunJournal::Begin(const CMeasurementRecord& record) {
    Close();
    std::ostringstream bytes;
    CArchive archive(bytes);
    const auto count = static_cast<std::size_t>(std::max(record.SampleCount, 0));
    if (!StoreHeader(archive, record) ||
        !archive.WriteFloats(std::span(record.Levels).first(count)) || !archive.Flush()) {
        return false;
    }
    m_descriptor = open(m_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const std::string header = bytes.str();
    // Header and first reading go out in one write: a journal cut inside it holds no reading.
    return WriteAll(header.data(), header.size()) && Sync();
}

bool CRunJournal::Append(float level) {
    // Little-endian, bit for bit, as the measurement file keeps its levels.
    const auto bits = std::bit_cast<std::uint32_t>(level);
    const std::array<std::uint8_t, sizeof bits> bytes = {
        static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    if (!WriteAll(bytes.data(), bytes.size())) {
        return false;
    }
    return std::chrono::steady_clock::now() - m_lastSync < SYNC_PERIOD || Sync();
}

bool CRunJournal::Sync() {
    m_lastSync = std::chrono::steady_clock::now();
    return fdatasync(m_descriptor) == 0;
}

bool CRunJournal::WriteAll(const void* bytes, std::size_t length) {
    if (m_descriptor < 0) {
        return false;
    }
    const auto* next = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t written = write(m_descriptor, next, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        next += written;
        length -= static_cast<std::size_t>(written);
    }
    return true;
}

void CRunJournal::Remove() {
    Close();
    std::error_code ignored;  // a journal that cannot be removed is offered again, no harm done
    std::filesystem::remove(m_file, ignored);
}

void CRunJournal::Close() {
    if (m_descriptor >= 0) {
        close(m_descriptor);
        m_descriptor = -1;
    }
}

std::optional<std::filesystem::path> RunJournalPath() {
    return ProgramFile(JOURNAL_NAME);
}

std::optional<CMeasurementRecord> ReadRunJournal(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    CArchive archive(in);
    CMeasurementRecord r;
    if (!LoadHeader(archive, r)) {
        return std::nullopt;
    }
    // A reading cut short by the end of the program is not a reading.
    const auto count = static_cast<std::int32_t>(
        std::min<std::uint64_t>(archive.BytesLeft() / sizeof(float), REAL_TIME_CAPACITY));
    if (count == 0) {
        return std::nullopt;
    }
    r.ReplaceSeries(count);
    if (!archive.ReadFloats(r.Levels)) {
        return std::nullopt;
    }
    r.SampleCount = count;
    r.AlarmHigh = static_cast<float>(LeadingInteger(r.AlarmHighText));
    r.AlarmLow = static_cast<float>(LeadingInteger(r.AlarmLowText));
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    r.Info.Speed = LoggerSpeedText(r.IsFast, r.SampleInterval);
    return r;
}

std::optional<CMeasurementRecord> FindUnfinishedRun() {
    const auto file = RunJournalPath();
    if (!file || !std::filesystem::exists(*file)) {
        return std::nullopt;
    }
    auto record = ReadRunJournal(*file);
    if (!record) {
        DiscardUnfinishedRun();  // killed before its first reading reached the disk
    }
    return record;
}

bool AdoptUnfinishedRun(CDTDoc& doc, CMeasurementRecord record) {
    doc.StoredData = false;
    doc.DownloadSinceSave = true;
    doc.ReplaceRecord(std::move(record), DocumentChange::Downloaded);
    if (!doc.SaveLastMeasurement()) {
        return false;
    }
    DiscardUnfinishedRun();
    return true;
}

void DiscardUnfinishedRun() {
    if (const auto file = RunJournalPath()) {
        CRunJournal(*file).Remove();
    }
}
