#pragma once

#include <string>

// The station's web page: one HTML page with its style sheet and script, all served by the
// program itself, so that it works on a network without the internet.
// `initialStatus`: the JSON of /api/status, which the page shows before its first event.
std::string MonitorPageHtml(const std::string& initialStatus);
extern const char* const MONITOR_PAGE_CSS;
extern const char* const MONITOR_PAGE_JS;
