#pragma once

// Event codes of the install and uninstall stages, sent through a
// DownloadEventCallback. Texts are "" unless a code says otherwise.

// Installing the downloaded package.
constexpr int IST_CODE_START = 2001;
constexpr int IST_CODE_PROGRESS = 2002;       // fraction done
constexpr int IST_CODE_SUCCESS = 2003;        // 0.0: reported by the child, 1.0: ended silently with code 0
constexpr int IST_CODE_FAIL = 2004;           // text: why; value: 0.0, 1000.0, 2.0 or the exit code
constexpr int IST_CODE_INSTALL_PATH = 3000;   // text: product folder
constexpr int IST_CODE_START_EXE = 3001;      // text: program to start
constexpr int IST_CODE_UNINSTALL_EXE = 3002;  // text: uninstaller program
constexpr int IST_CODE_UNINSTALL_EP = 3003;   // text: uninstaller entry
constexpr int IST_CODE_START_URL = 3004;      // text: address to open
constexpr int IST_CODE_STARTUP_STYLE = 3005;  // 0 NonStartup, 1 AutoStartup, 2 UserStartup
constexpr int IST_CODE_TOP_SHOW = 3007;       // milliseconds
constexpr int IST_CODE_FINISH_CLOSE = 3008;   // milliseconds
constexpr int IST_CODE_MESSAGE = 3009;        // text: message for the user

// Running the old version's uninstaller.
constexpr int UNIST_CODE_START = 5001;
constexpr int UNIST_CODE_PROGRESS = 5002;
constexpr int UNIST_CODE_SUCCESS = 5003;      // 0.0: reported, 1.0: ended silently
constexpr int UNIST_CODE_FAIL = 5004;         // 1.0: no uninstaller file, 2.0: could not start it
constexpr int UNIST_CODE_ERROR = 5005;        // text: why
