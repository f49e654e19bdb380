#pragma once

// The application object: its only behaviour is the start-up.
class CQuorvelApp {
public:
    // Prepares the data folder, shows the main window until it closes, and returns false: the
    // application then ends.
    bool InitInstance();
};
