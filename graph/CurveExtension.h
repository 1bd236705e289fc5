#pragma once

#include <optional>

#include "graph/CGraphState.h"
#include "graph/GraphLayout.h"
#include "graph/GraphScene.h"

class CMeasurementRecord;

// What the real-time update does with the reading just appended.
struct CCurveExtension {
    bool Repaint = false;                       // compose the whole picture again
    std::optional<CSceneLine> Segment;          // else draw this over the kept picture
    std::optional<CScrollBarSetup> ScrollBars;  // a zoom's scroll bars, set up just now
};

// The newest reading of a growing series (RangeLast already takes it in): lays the readings
// out as a paint would and finds the segment from the reading before it. The whole picture is
// composed again for the first two readings, when the real-time scale steps, and when the
// segment crosses an edge of the plot (its clipped part would need the margins). During a drag
// nothing is drawn and nothing repainted: the repaint after the drag shows what was skipped.
CCurveExtension ExtendCurve(CGraphState& state, const CMeasurementRecord& record, bool realTimeRun);
