#pragma once

#include <string>

class CInstanceServer;

// The application object: its only behaviour is the start-up.
class CQuorvelApp {
public:
    // Prepares the data folder, shows the main window until it closes, and returns false: the
    // application then ends. `fileToOpen` (an absolute path; empty: none) is opened once the
    // window is up, as a file chosen with the Open command; the requests of later starts that
    // reach `server` (null: none) go to the window while it runs.
    bool InitInstance(const std::string& fileToOpen = {}, CInstanceServer* server = nullptr);
};
