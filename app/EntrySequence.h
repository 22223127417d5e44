#pragma once

class Platform;
class QApplication;

// Start-up in its order: main window (with discovery), the hidden monitor, message loop.
// Gives the program's exit code; a failure that escapes start-up ends in the fatal
// report and 1.
int runEntrySequence(QApplication &application, Platform &platform);

// Application-wide look: Tahoma 8 pt (11 pixels) for every window.
void applyApplicationFont(QApplication &application);
