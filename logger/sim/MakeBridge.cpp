#include "logger/sim/MakeBridge.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "logger/CLoggingBridge.h"
#include "logger/CUsbBridge.h"
#include "logger/sim/CSimulatedLogger.h"

namespace {

std::unique_ptr<CBridge> Traced(std::unique_ptr<CBridge> bridge) {
    const char* target = std::getenv("DATALOGGER_USB_TRACE");
    if (target == nullptr || *target == '\0') {
        return bridge;
    }
    if (std::string(target) == "stderr") {
        return std::make_unique<CLoggingBridge>(std::move(bridge), std::cerr);
    }
    auto file = std::make_unique<std::ofstream>(target, std::ios::app);
    if (!*file) {
        throw std::invalid_argument(std::string("DATALOGGER_USB_TRACE: cannot write \"") + target +
                                    "\"");
    }
    return std::make_unique<CLoggingBridge>(std::move(bridge), std::move(file));
}

}  // namespace

std::unique_ptr<CBridge> MakeBridge(bool simulate, std::shared_ptr<CRunClock> clock) {
    if (simulate) {
        SimulatorOptions options = SimulatorOptionsFromEnvironment();
        if (clock) {
            options.Clock = std::move(clock);
        }
        return Traced(std::make_unique<CSimulatedLogger>(std::move(options)));
    }
    return Traced(std::make_unique<CUsbBridge>(MakeLibusbBus(), UsbIdFromEnvironment()));
}

std::shared_ptr<CRunClock> MakeRunClock(bool simulate) {
    if (simulate) {
        if (auto clock = SimulatorOptionsFromEnvironment().Clock) {
            return clock;
        }
    }
    return std::make_shared<CMonitorClock>();
}

CRunDevice MakeRunDevice(bool simulate) {
    CRunDevice device;
    device.Clock = MakeRunClock(simulate);
    device.Bridge = MakeBridge(simulate, device.Clock);
    return device;
}
