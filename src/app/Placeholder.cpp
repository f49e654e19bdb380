// Removed once the main window lands.
