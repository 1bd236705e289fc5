#pragma once

// Qt's drawing without a display, for the commands that write PDF files.

#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/CScratchFolder.h"

// Without a login session (over ssh, in a service or CI) XDG_RUNTIME_DIR is unset, and Qt warns
// about it on standard error while it probes the folder (only to learn whether it runs in a
// sandbox). An empty private folder answers that probe as well; it is removed at the end.
class CPrivateRuntimeFolder {
public:
    CPrivateRuntimeFolder() {
        const char* runtime = std::getenv(VARIABLE);
        if ((runtime == nullptr || *runtime == '\0') &&
            m_folder.emplace("datalogger-runtime").Made()) {
            setenv(VARIABLE, m_folder->Path().c_str(), 1);
        }
    }
    ~CPrivateRuntimeFolder() {
        if (m_folder && m_folder->Made()) {
            unsetenv(VARIABLE);
        }
    }
    CPrivateRuntimeFolder(const CPrivateRuntimeFolder&) = delete;
    CPrivateRuntimeFolder& operator=(const CPrivateRuntimeFolder&) = delete;

private:
    static constexpr const char* VARIABLE = "XDG_RUNTIME_DIR";
    std::optional<CScratchFolder> m_folder;
};

// Qt's drawing needs a GUI application object; the offscreen platform needs no display. An
// application the process already has (a test's) serves as it is.
class COffscreenGui {
public:
    COffscreenGui() {
        if (QGuiApplication::instance() == nullptr) {
            m_runtimeFolder.emplace();
            m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
        }
    }

private:
    char m_name[15] = "datalogger-cli";
    char m_platformOption[10] = "-platform";
    char m_platform[10] = "offscreen";
    char* m_argv[4] = {m_name, m_platformOption, m_platform, nullptr};
    int m_argc = 3;
    // Outlives the application, which may look into the folder until it goes.
    std::optional<CPrivateRuntimeFolder> m_runtimeFolder;
    std::unique_ptr<QGuiApplication> m_app;
};
