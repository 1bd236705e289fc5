#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/CSaveFileChooser.h"

// The save dialog of the tests: remembers the names it was offered and gives a scripted
// answer (Cancel when there is none).
class CScriptedSaveChooser : public CSaveFileChooser {
public:
    std::optional<std::filesystem::path> ChooseSaveName(const std::string& defaultName) override {
        Offered.push_back(defaultName);
        return Answer;
    }

    std::optional<std::filesystem::path> Answer;
    std::vector<std::string> Offered;
};

// Runs the event loop until the condition holds or the time is up; the condition's result.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

// Removes the settings file and the last measurement: the next window starts as on a new
// machine.
void ForgetProgramFiles();
