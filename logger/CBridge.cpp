#include "logger/CBridge.h"

const char* BridgeStatusName(BridgeStatus status) {
    switch (status) {
        case BridgeStatus::Success:
            return "Success";
        case BridgeStatus::DeviceNotFound:
            return "DeviceNotFound";
        case BridgeStatus::InvalidHandle:
            return "InvalidHandle";
        case BridgeStatus::InvalidParameter:
            return "InvalidParameter";
        case BridgeStatus::ReadError:
            return "ReadError";
        case BridgeStatus::WriteError:
            return "WriteError";
        case BridgeStatus::Timeout:
            return "Timeout";
        case BridgeStatus::Busy:
            return "Busy";
        case BridgeStatus::AccessDenied:
            return "AccessDenied";
        case BridgeStatus::SystemError:
            return "SystemError";
    }
    return "Unknown";
}
