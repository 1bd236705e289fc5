#include "logger/sim/CSimulatedLogger.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/ProgramDirectory.h"

namespace {

constexpr const char* PRODUCT = "Sound Level Datalogger (simulated)";

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

// The simulated clock runs at most a million times faster: a year of readings in half a minute.
constexpr std::int64_t FASTEST_CLOCK = 1000000;

std::int64_t ClockSpeed(const std::string& text) {
    std::int64_t speed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), speed);
    if (error != std::errc() || end != text.data() + text.size() || speed < 1 ||
        speed > FASTEST_CLOCK) {
        throw std::invalid_argument("DATALOGGER_SIM_SPEED: cannot read \"" + text +
                                    "\" (a whole number from 1 to " +
                                    std::to_string(FASTEST_CLOCK) + ")");
    }
    return speed;
}

}  // namespace

SimulatorOptions SimulatorOptionsFromEnvironment() {
    SimulatorOptions options;
    options.StateFile = ProgramFile("SimulatedLogger.ini");
    if (const auto memory = Environment("DATALOGGER_SIM_MEMORY")) {
        options.MemoryFile = *memory;
    }
    if (const auto faults = Environment("DATALOGGER_SIM_FAULTS")) {
        options.Faults = CFaultPlan::Parse(*faults);
    }
    if (const auto button = Environment("DATALOGGER_SIM_BUTTON")) {
        int seconds = 0;
        const auto [end, error] =
            std::from_chars(button->data(), button->data() + button->size(), seconds);
        if (*button == "never") {
            options.ButtonDelaySeconds.reset();
        } else if (error == std::errc() && end == button->data() + button->size() && seconds >= 0) {
            options.ButtonDelaySeconds = seconds;
        } else {
            throw std::invalid_argument("DATALOGGER_SIM_BUTTON: cannot read \"" + *button +
                                        "\" (seconds, or never)");
        }
    }
    if (const auto speed = Environment("DATALOGGER_SIM_SPEED")) {
        options.Clock = std::make_shared<CScaledClock>(ClockSpeed(*speed));
    }
    return options;
}

CSimulatedLogger::CSimulatedLogger(SimulatorOptions options)
    : m_options(std::move(options)), m_device(m_options.StateFile) {
    if (!m_options.Clock) {
        m_options.Clock = std::make_shared<CSystemClock>();
    }
    if (m_options.MemoryFile) {
        // An image that cannot be read leaves an empty memory: downloads say so.
        m_device.ForceMemory(LoadMemoryImage(*m_options.MemoryFile).value_or(CMemoryImage{}));
    }
}

BridgeStatus CSimulatedLogger::BridgeCount(std::uint32_t& count) {
    count = Unplugged() ? 0 : 1;
    return BridgeStatus::Success;
}

BridgeStatus CSimulatedLogger::BridgeQueryString(std::uint32_t index, std::span<char> buffer,
                                                 std::uint32_t option) {
    if (option != 0 || buffer.empty()) {
        return BridgeStatus::InvalidParameter;
    }
    if (Unplugged() || index != 0) {
        return BridgeStatus::DeviceNotFound;
    }
    const std::size_t length = std::min(std::strlen(PRODUCT), buffer.size() - 1);
    std::memcpy(buffer.data(), PRODUCT, length);
    buffer[length] = '\0';
    return BridgeStatus::Success;
}

BridgeStatus CSimulatedLogger::BridgeOpen(std::uint32_t index, BridgeHandle& handle) {
    handle = INVALID_BRIDGE_HANDLE;
    if (Unplugged() || index != 0) {
        return BridgeStatus::DeviceNotFound;
    }
    m_device.Reload();
    ResetPipe();
    handle = m_nextHandle++;
    m_handles.insert(handle);
    return BridgeStatus::Success;
}

BridgeStatus CSimulatedLogger::BridgeClose(BridgeHandle handle) {
    if (m_handles.erase(handle) == 0) {
        return BridgeStatus::InvalidHandle;
    }
    ResetPipe();
    return BridgeStatus::Success;
}

BridgeStatus CSimulatedLogger::BridgeRead(BridgeHandle handle, std::uint8_t* buffer,
                                          std::uint32_t wanted, std::uint32_t& returned) {
    returned = 0;
    if (!m_handles.contains(handle)) {
        return BridgeStatus::InvalidHandle;
    }
    if (const BridgeStatus status = PlayFault(m_options.Faults.NextRead(), BridgeStatus::ReadError);
        status != BridgeStatus::Success) {
        return status;
    }
    if (m_output.size() < wanted) {
        m_output.clear();  // what a timed-out read had gathered is lost with it
        return BridgeStatus::Timeout;
    }
    std::copy_n(m_output.begin(), wanted, buffer);
    m_output.erase(m_output.begin(), m_output.begin() + wanted);
    returned = wanted;
    return BridgeStatus::Success;
}

BridgeStatus CSimulatedLogger::BridgeWrite(BridgeHandle handle, const std::uint8_t* buffer,
                                           std::uint32_t length, std::uint32_t& written) {
    written = 0;
    if (!m_handles.contains(handle)) {
        return BridgeStatus::InvalidHandle;
    }
    const FaultAction fault = m_options.Faults.NextWrite();
    if (const BridgeStatus status = PlayFault(fault, BridgeStatus::WriteError);
        status != BridgeStatus::Success) {
        return status;
    }
    const std::uint32_t accepted = fault == FaultAction::Short && length > 0 ? length - 1 : length;
    m_input.insert(m_input.end(), buffer, buffer + accepted);
    written = accepted;
    ProcessInput();
    return BridgeStatus::Success;
}

BridgeStatus CSimulatedLogger::BridgeSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    return m_timeouts.Set(readMs, writeMs);
}

BridgeStatus CSimulatedLogger::BridgeGetTimeouts(std::uint32_t& readMs, std::uint32_t& writeMs) {
    return m_timeouts.Get(readMs, writeMs);
}

BridgeStatus CSimulatedLogger::PlayFault(FaultAction fault, BridgeStatus failure) {
    if (fault == FaultAction::Unplug) {
        m_unplugged = true;
        m_pluggedAgainAtMs.reset();
        if (const int away = m_options.Faults.SecondsAway(); away > 0) {
            m_pluggedAgainAtMs = m_options.Clock->NowMs() + std::int64_t{away} * 1000;
        }
    }
    if (Unplugged()) {
        return BridgeStatus::DeviceNotFound;
    }
    return fault == FaultAction::Fail ? failure : BridgeStatus::Success;
}

bool CSimulatedLogger::Unplugged() const {
    return m_unplugged && !(m_pluggedAgainAtMs && m_options.Clock->NowMs() >= *m_pluggedAgainAtMs);
}

void CSimulatedLogger::PressButton() {
    m_device.PressButton(m_options.Clock->NowMs());
}

void CSimulatedLogger::ResetPipe() {
    m_input.clear();
    m_output.clear();
    m_awaitingSetupBlock = false;
    m_image.reset();
}

void CSimulatedLogger::Reply(std::initializer_list<std::uint8_t> bytes) {
    m_output.insert(m_output.end(), bytes);
}

void CSimulatedLogger::ProcessInput() {
    std::size_t used = 0;
    for (;;) {
        const std::size_t waiting = m_input.size() - used;
        if (m_awaitingSetupBlock) {
            if (waiting < SETUP_BLOCK_SIZE) {
                break;
            }
            SetupBlock block;
            std::copy_n(m_input.begin() + static_cast<std::ptrdiff_t>(used), block.size(),
                        block.begin());
            used += block.size();
            m_awaitingSetupBlock = false;
            // A logger that does not acknowledge has not taken the setup either.
            if (!m_options.Faults.WithholdsAcknowledge()) {
                m_device.ApplySetup(block, m_options.Clock->NowMs(), m_options.ButtonDelaySeconds);
                Reply({SETUP_ACKNOWLEDGE});
            }
        } else {
            if (waiting < COMMAND_SIZE) {
                break;
            }
            const std::uint8_t* request = m_input.data() + used;
            used += COMMAND_SIZE;
            Command(request[0], request[1], request[2]);
        }
    }
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(used));
}

void CSimulatedLogger::Command(std::uint8_t code, std::uint8_t first, std::uint8_t second) {
    switch (code) {
        case CMD_CALIBRATE:
            Reply({static_cast<std::uint8_t>(m_device.Calibrate(static_cast<std::int8_t>(first)))});
            break;
        case CMD_STATUS:
            Reply({m_device.StatusByte(), 0, 0});
            break;
        case CMD_SETUP:
            // The logger knows one block length only; other requests are not answered.
            m_awaitingSetupBlock = first == SETUP_BLOCK_SIZE;
            break;
        case CMD_READ_MEMORY:
            ReadMemory(first | (second << 8));
            break;
        case CMD_READ_LEVEL: {
            const std::uint16_t level = m_device.LiveLevel(m_options.Clock->NowMs());
            Reply({static_cast<std::uint8_t>(level), static_cast<std::uint8_t>(level >> 8)});
            break;
        }
        default:
            break;  // not a command: the logger ignores it
    }
}

void CSimulatedLogger::ReadMemory(std::uint32_t block) {
    if (block == 0 || !m_image) {
        m_image = m_device.Memory(m_options.Clock->NowMs());
    }
    if (block == 0) {
        const std::uint32_t size = std::min(m_image->MemorySize(), MEMORY_SIZE_MAX);
        Reply({static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
               static_cast<std::uint8_t>(size >> 16)});
        const auto header = m_image->Header.Encode();
        m_output.insert(m_output.end(), header.begin(), header.end());
        return;
    }
    // Three bytes of no meaning come before every block.
    Reply(
        {CMD_READ_MEMORY, static_cast<std::uint8_t>(block), static_cast<std::uint8_t>(block >> 8)});
    const auto bytes = m_image->Block(block);
    m_output.insert(m_output.end(), bytes.begin(), bytes.end());
}
