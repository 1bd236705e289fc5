#pragma once

#include <iosfwd>

struct UsbId;

// Prints every USB device with the bridge's ids that the USB library sees: where it sits,
// the endpoints of its interface 0, and whether this user may open it and, if not, why.
void PrintUsbDevices(const UsbId& id, std::ostream& out);
