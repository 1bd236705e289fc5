#include "logger/CRunJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <sstream>

#include "document/CDTDoc.h"
#include "document/MeasurementHistory.h"
#include "logger/MemoryDecoding.h"
#include "platform/CArchive.h"
#include "platform/CProfile.h"
#include "platform/LocalTime.h"
#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* JOURNAL_NAME = "PreMeasure.journal";
constexpr const char* LOCK_NAME = "PreMeasure.journal.lock";
// The most a journal can hold: its header and a full run. Whatever follows is not read.
constexpr std::size_t LONGEST_JOURNAL = 64 * 1024 + REAL_TIME_CAPACITY * sizeof(float);
// The logger's level is a 16-bit count of tenths of a dB.
constexpr float HIGHEST_LEVEL = 6553.5f;
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

// A level the logger can give, or none (not a number) for a reading the run missed.
bool IsReading(float level) {
    return std::isnan(level) || (level >= 0.0f && level <= HIGHEST_LEVEL);
}

// The start of a plain file, without following a link or waiting on a named pipe.
bool ReadPlainFile(const std::filesystem::path& file, std::string& bytes) {
    const int descriptor = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    const bool plain =
        descriptor >= 0 && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    bytes.resize(plain ? LONGEST_JOURNAL : 0);
    std::size_t filled = 0;
    while (plain && filled < bytes.size()) {
        const ssize_t got = read(descriptor, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    if (descriptor >= 0) {
        close(descriptor);
    }
    bytes.resize(filled);
    return plain;
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
    // Never over an existing file: it is a run still to be recovered, or not a journal at all
    // (a link that leads out of the folder, a named pipe).
    m_descriptor = open(m_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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

std::unique_ptr<CFileLock> LockRunJournal() {
    const auto file = ProgramFile(LOCK_NAME);
    if (!file) {
        return nullptr;
    }
    auto lock = std::make_unique<CFileLock>(*file, std::chrono::milliseconds(0));
    // A folder where no lock file can be made takes no journal either: there is no run to
    // keep apart.
    return lock->Held() || !lock->Opened() ? std::move(lock) : nullptr;
}

std::optional<CMeasurementRecord> ReadRunJournal(const std::filesystem::path& file) {
    std::string bytes;
    if (!ReadPlainFile(file, bytes)) {
        return std::nullopt;
    }
    std::istringstream in(bytes);
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
    if (!archive.ReadFloats(r.Levels) ||
        !std::all_of(r.Levels.begin(), r.Levels.end(), IsReading)) {
        return std::nullopt;
    }
    r.SampleCount = count;
    r.AlarmHigh = static_cast<float>(LeadingInteger(r.AlarmHighText));
    r.AlarmLow = static_cast<float>(LeadingInteger(r.AlarmLowText));
    r.RecomputeStatistics();
    r.DeriveTextsAfterLoad();
    r.Info.Speed = LoggerSpeedText(r.IsFast, r.SampleInterval);
    if (!MeasurementFileAccepts(r)) {
        return std::nullopt;
    }
    return r;
}

std::optional<CMeasurementRecord> FindUnfinishedRun(std::filesystem::path* keptAside,
                                                    HistoryRule rule) {
    const auto file = RunJournalPath();
    const auto lock = LockRunJournal();
    struct stat status {};
    if (!file || !lock || lstat(file->c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;  // none, or a run goes on, or it is no journal: left as it is
    }
    auto record = ReadRunJournal(*file);
    if (!record && status.st_size == 0) {
        CRunJournal(*file).Remove();  // killed before its first write: nothing was in it
    } else if (!record) {
        const auto kept = MoveIntoHistory(*file, HistoryStem(CurrentTime(), "-damaged"));
        if (kept && rule == HistoryRule::Keep) {
            PruneHistory(kept->parent_path());
        }
        if (kept && keptAside) {
            *keptAside = *kept;
        }
    }
    return record;
}

bool AdoptUnfinishedRun(CDTDoc& doc, CMeasurementRecord record, HistoryRule rule) {
    const auto lock = LockRunJournal();
    if (!lock) {
        return false;
    }
    doc.StoredData = false;
    doc.DownloadSinceSave = true;
    doc.ReplaceRecord(std::move(record), DocumentChange::Downloaded);
    if (!doc.SaveLastMeasurement(rule)) {
        return false;
    }
    CRunJournal(*RunJournalPath()).Remove();
    return true;
}

std::optional<std::filesystem::path> DiscardUnfinishedRun() {
    const auto lock = LockRunJournal();
    const auto folder = HistoryFolder();
    auto record = lock ? ReadRunJournal(*RunJournalPath()) : std::nullopt;
    if (!record || !folder) {
        return std::nullopt;
    }
    const auto kept = UnusedHistoryName(*folder, HistoryStem(record->StartTime), ".sound");
    CDTDoc doc;
    doc.Record() = std::move(*record);
    if (!doc.StoreFile(kept)) {
        return std::nullopt;
    }
    CRunJournal(*RunJournalPath()).Remove();
    PruneHistory(*folder);
    return kept;
}

std::string DamagedJournalText(const std::filesystem::path& keptAside) {
    return "The journal of an unfinished real-time run could not be read: it is damaged or was "
           "not written by this program. It was moved to \"" +
           keptAside.string() + "\".";
}

std::string DeclinedRunText(const std::optional<std::filesystem::path>& kept) {
    return kept ? "The readings of the unfinished run are kept in \"" + kept->string() +
                      "\"; Open shows them."
                : "The readings of the unfinished run could not be kept elsewhere; they will "
                  "be offered again at the next start.";
}
