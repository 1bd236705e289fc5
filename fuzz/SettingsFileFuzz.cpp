// Fuzz target for the settings file reader: any bytes give settings within their ranges,
// the setup built from them, and settings that write back and read again unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "logger/SetupSettings.h"
#include "platform/CProfile.h"
#include "platform/CSettings.h"

namespace {

// A text the program writes is read back as it was, unless a hand-edited file gave it what
// the reader takes off: blanks at its ends, or enclosing quotes (one pair goes at every
// reading, as the host's reader drops them).
bool ReadsBackAsWritten(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    const bool quoted = text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
                        text.back() == text.front();
    return text.empty() || (!blank(text.front()) && !blank(text.back()) && !quoted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CProfile profile({}, std::string_view(reinterpret_cast<const char*>(data), size));
    const CFrameSettings frame = ReadFrameSettings(profile);
    const CViewSettings view = ReadViewSettings(profile);
    if (frame.SampleRateIndex < 0 || frame.SampleRateIndex >= SAMPLE_RATE_CHOICES ||
        view.AxisLow < -AXIS_LEVEL_LIMIT || view.AxisHigh > AXIS_LEVEL_LIMIT) {
        std::abort();
    }

    const SetupFields fields = SetupFieldsFromSettings(frame);
    static_cast<void>(ComposeSetupBlock(fields, LocalTimeParts{}));
    CFrameSettings afterSetup = frame;
    StoreSetupFields(fields, afterSetup);
    if (SetupFieldsFromSettings(afterSetup) != fields) {
        std::abort();
    }

    // What is read writes back and reads again the same.
    CProfile written = profile;
    WriteSettings(written, frame, view);
    const CProfile again({}, written.Text());
    CFrameSettings reread = ReadFrameSettings(again);
    for (auto [text, was] : {std::pair{&reread.SamplePoints, &frame.SamplePoints},
                             {&reread.AlarmHigh, &frame.AlarmHigh},
                             {&reread.AlarmLow, &frame.AlarmLow},
                             {&reread.Calibration, &frame.Calibration}}) {
        if (!ReadsBackAsWritten(*was)) {
            *text = *was;
        }
    }
    if (reread != frame || ReadViewSettings(again) != view) {
        std::abort();
    }
    return 0;
}
