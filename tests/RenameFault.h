#pragma once

#include <set>

// Makes chosen calls of the C library's rename() fail, as a rename does when the folder
// changes under the program: the calls are counted from Arm() on, from 1, and each chosen
// one fails with EIO without touching the files.
class CRenameFault {
public:
    explicit CRenameFault(std::set<int> failingCalls);
    ~CRenameFault();
    CRenameFault(const CRenameFault&) = delete;
    CRenameFault& operator=(const CRenameFault&) = delete;

    // The calls that failed, so that a test knows its fault was hit.
    int Fired() const;
    int Calls() const;
};
