#include "logger/sim/CSimulatedDevice.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "document/CMeasurementRecord.h"
#include "logger/sim/UrbanSoundscape.h"
#include "platform/CProfile.h"

namespace {

constexpr const char* SECTION = "Logger";

// The factory recording: a Monday of street noise from midnight, once a second.
constexpr std::uint64_t FACTORY_SEED = 20240603;
constexpr LocalTimeParts FACTORY_START = {2024, 6, 3, 0, 0, 0};
constexpr std::uint8_t FACTORY_ALARM_LOW = 40;
constexpr std::uint8_t FACTORY_ALARM_HIGH = 100;

std::uint16_t Tenths(double level) {
    return static_cast<std::uint16_t>(std::clamp(std::lround(level * 10), 0L, 0xFFFFL));
}

std::string Hex(const SetupBlock& block) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : block) {
        text += DIGITS[byte >> 4];
        text += DIGITS[byte & 15];
    }
    return text;
}

std::optional<SetupBlock> FromHex(const std::string& text) {
    SetupBlock block{};
    if (text.size() != 2 * block.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < block.size(); ++i) {
        const auto [end, error] =
            std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, block[i], 16);
        if (error != std::errc() || end != text.data() + 2 * i + 2) {
            return std::nullopt;
        }
    }
    return block;
}

std::optional<std::int64_t> Number(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// A recording sounds different for every setup, and the same for the same setup.
std::uint64_t SeedOf(const SetupBlock& block, std::int64_t setupAtMs) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (std::uint8_t byte : block) {
        hash = (hash ^ byte) * 0x100000001B3ULL;
    }
    return hash ^ static_cast<std::uint64_t>(setupAtMs);
}

CMemoryImage Record(CUrbanSoundscape& sound, const MemoryHeader& header, std::uint32_t readings,
                    double interval, double offset) {
    CMemoryImage image;
    image.Header = header;
    image.Memory.reserve(std::size_t{readings} * 2);
    const double start = CivilSeconds(header.Start());
    for (std::uint32_t i = 0; i < readings; ++i) {
        image.AppendReading(Tenths(sound.Level(start + i * interval) + offset));
    }
    return image;
}

}  // namespace

CSimulatedDevice::CSimulatedDevice(std::optional<std::filesystem::path> stateFile)
    : m_stateFile(std::move(stateFile)) {
    Reload();
}

void CSimulatedDevice::Reload() {
    m_configured = false;
    m_startAtMs.reset();
    m_calibration = 0;
    if (!m_stateFile) {
        return;
    }
    const CProfile profile(*m_stateFile);
    m_calibration = static_cast<std::int8_t>(
        std::clamp(profile.GetInt(SECTION, "Calibration", 0), INT8_MIN, INT8_MAX));
    const auto setup = FromHex(profile.GetString(SECTION, "Setup", ""));
    const auto setupAt = Number(profile.GetString(SECTION, "SetupAt", ""));
    if (setup && setupAt) {
        m_configured = true;
        m_setup = *setup;
        m_setupAtMs = *setupAt;
        m_startAtMs = Number(profile.GetString(SECTION, "StartAt", ""));
    }
}

void CSimulatedDevice::Save() const {
    if (!m_stateFile) {
        return;
    }
    CProfile profile(*m_stateFile);
    profile.SetString(SECTION, "Setup", m_configured ? Hex(m_setup) : "");
    profile.SetString(SECTION, "SetupAt", m_configured ? std::to_string(m_setupAtMs) : "");
    profile.SetString(SECTION, "StartAt", m_startAtMs ? std::to_string(*m_startAtMs) : "");
    profile.SetInt(SECTION, "Calibration", m_calibration);
    // A simulated logger that forgets is still a logger: the program goes on without it.
    (void)profile.Save();
}

void CSimulatedDevice::ApplySetup(const SetupBlock& block, std::int64_t nowMs,
                                  std::optional<int> buttonDelaySeconds) {
    m_configured = true;
    m_setup = block;
    m_setupAtMs = nowMs;
    LocalTimeParts clock;
    if (!Setup(clock).ManualStart) {
        m_startAtMs = nowMs;
    } else if (buttonDelaySeconds) {
        m_startAtMs = nowMs + std::int64_t{*buttonDelaySeconds} * 1000;
    } else {
        m_startAtMs.reset();
    }
    Save();
}

void CSimulatedDevice::PressButton(std::int64_t nowMs) {
    LocalTimeParts clock;
    if (m_configured && Setup(clock).ManualStart && (!m_startAtMs || *m_startAtMs > nowMs)) {
        m_startAtMs = nowMs;
        Save();
    }
}

std::int8_t CSimulatedDevice::Calibrate(std::int8_t adjustment) {
    m_calibration =
        static_cast<std::int8_t>(std::clamp(m_calibration + adjustment, INT8_MIN, INT8_MAX));
    Save();
    return m_calibration;
}

SetupFields CSimulatedDevice::Setup(LocalTimeParts& clock) const {
    return ParseSetupBlock(m_setup, clock);
}

std::uint8_t CSimulatedDevice::StatusByte() const {
    LocalTimeParts clock;
    if (m_forcedMemory || !m_configured || !Setup(clock).RealTime) {
        return STATUS_STORED;
    }
    const SetupFields fields = Setup(clock);
    return static_cast<std::uint8_t>((fields.RateCode & STATUS_RATE_MASK) |
                                     (fields.Fast ? STATUS_FAST : 0) |
                                     (fields.Dba ? STATUS_DBA : 0));
}

CMemoryImage CSimulatedDevice::Memory(std::int64_t nowMs) const {
    if (m_forcedMemory) {
        return *m_forcedMemory;
    }
    if (!m_configured) {
        MemoryHeader header;
        header.RateCode = 3;
        header.SetStart(FACTORY_START);
        header.AlarmLow = FACTORY_ALARM_LOW;
        header.AlarmHigh = FACTORY_ALARM_HIGH;
        CUrbanSoundscape sound(FACTORY_SEED);
        return Record(sound, header, FACTORY_READINGS, 1.0, 0.0);
    }
    LocalTimeParts clock;
    const SetupFields fields = Setup(clock);
    MemoryHeader header;
    header.RateCode = fields.RateCode;
    header.Dba = fields.Dba ? 1 : 0;
    header.Fast = fields.Fast ? 1 : 0;
    header.AlarmLow = fields.AlarmLow;
    header.AlarmHigh = fields.AlarmHigh;
    header.SetStart(clock);
    if (fields.RealTime || !IsRateCode(fields.RateCode) || !m_startAtMs || *m_startAtMs > nowMs) {
        return CMemoryImage{header, {}};
    }
    // The logger set its clock from the block; the recording starts on that clock.
    const std::time_t setupTime = MakeLocalTime(clock).value_or(m_setupAtMs / 1000);
    header.SetStart(SplitLocalTime(setupTime + (*m_startAtMs - m_setupAtMs) / 1000));
    const double interval = RateInterval(fields.RateCode);
    const auto intervalMs = std::llround(interval * 1000);
    const auto taken = static_cast<std::uint32_t>(std::min<std::int64_t>(
        {(nowMs - *m_startAtMs) / intervalMs, fields.Points, STORED_CAPACITY}));
    CUrbanSoundscape sound(SeedOf(m_setup, m_setupAtMs));
    return Record(sound, header, taken, interval, m_calibration * 0.1);
}

std::uint16_t CSimulatedDevice::LiveLevel(std::int64_t nowMs) const {
    const std::uint64_t seed = SeedOf(m_setup, m_setupAtMs);
    if (!m_liveSound || m_liveSeed != seed) {
        m_liveSound = std::make_unique<CUrbanSoundscape>(seed);
        m_liveSeed = seed;
    }
    const double now = CivilSeconds(SplitLocalTime(nowMs / 1000)) + (nowMs % 1000) / 1000.0;
    return Tenths(m_liveSound->Level(now) + m_calibration * 0.1);
}
