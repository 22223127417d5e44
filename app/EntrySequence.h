#pragma once

class Platform;
class QApplication;
class QLocale;
class QString;
class QTranslator;

// Start-up in its order: main window (with discovery), the hidden monitor, message loop.
// Gives the program's exit code; a failure that escapes start-up ends in the fatal
// report and 1.
int runEntrySequence(QApplication &application, Platform &platform);

// Application-wide look: Tahoma 8 pt (11 pixels) for every window.
void applyApplicationFont(QApplication &application);

// Qt's own texts (context menus, standard buttons) in the locale's language: from a
// "translations" folder beside the executable (the Windows package), else from Qt's.
// The installed translator, owned by the application; null when there is none for that
// language.
QTranslator *installQtTranslations(QApplication &application, const QLocale &locale,
                                   const QString &executableDir);
