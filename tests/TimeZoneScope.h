#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Another time zone while it lives; the tests' own comes back after it.
class CTimeZoneScope {
public:
    explicit CTimeZoneScope(const char* zone) : m_previous(std::getenv("TZ")) {
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CTimeZoneScope() {
        setenv("TZ", m_previous.c_str(), 1);
        tzset();
    }
    CTimeZoneScope(const CTimeZoneScope&) = delete;
    CTimeZoneScope& operator=(const CTimeZoneScope&) = delete;

private:
    std::string m_previous;
};
