#pragma once

#include <filesystem>
#include <set>
#include <vector>

// Makes chosen calls of the C library's fsync() and fdatasync() fail with EIO, as a sync does
// when the disk fails to take the data: the calls are counted from construction on, from 1.
// Every call's file is remembered, so that a test knows which file was synced.
class CSyncFault {
public:
    explicit CSyncFault(std::set<int> failingCalls);
    ~CSyncFault();
    CSyncFault(const CSyncFault&) = delete;
    CSyncFault& operator=(const CSyncFault&) = delete;

    int Fired() const;
    const std::vector<std::filesystem::path>& Synced() const;
};
