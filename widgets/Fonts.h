#pragma once

// Makes "Tahoma" available: Debian ships the face with Wine's fonts, outside the folders
// fontconfig scans. Call once after the application object exists.
void ensureTahoma();
