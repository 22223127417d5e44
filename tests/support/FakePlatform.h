#pragma once

#include "Platform.h"

#include <QHash>
#include <QStringList>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// A platform a test seeds with drives, UNC answers and host answers, and that records the
// calls made to it.
class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    using Address = std::array<unsigned char, 4>;

    // A drive; a network drive answers uncName for "X:" and uncName plus the rest for
    // paths below it; one without uncName is remembered but not connected.
    void addDrive(QChar letter, UINT type, const QString &uncName = {});
    // A fixed answer for one exact local path, success or an error code.
    void setUniversalName(const QString &localPath, const QString &uncName);
    void setUniversalNameError(const QString &localPath, DWORD code);
    void addHost(const QByteArray &name, std::vector<Address> addresses);
    void setHostLookupThrows(const QByteArray &name);
    void setExecutablePath(const QString &path) { m_executablePath = path; }

    // What was called, in order. Discovery calls from several threads at once; read these
    // once it is done.
    QStringList calls;
    std::atomic<int> startups = 0;
    std::atomic<int> cleanups = 0;

    UINT GetDriveTypeW(const WideChar *rootPathName) override;
    DWORD WNetGetUniversalNameW(const WideChar *localPath, DWORD infoLevel, void *buffer,
                                DWORD *bufferSize) override;
    DWORD WNetGetConnectionW(const WideChar *localName, WideChar *remoteName,
                             DWORD *length) override;
    int WSAStartup(WORD versionRequested) override;
    const hostent *gethostbyname(const char *name) override;
    int WSACleanup() override;
    int WSAGetLastError() override;
    int CompareStringW(LCID locale, DWORD flags, const WideChar *string1, int count1,
                       const WideChar *string2, int count2) override;
    // Libraries load and profiles are written for real, through the native platform:
    // tests bind real engine builds and read the files back.
    BOOL WritePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                    const WideChar *string, const WideChar *fileName) override;
    DWORD GetLastError() override;
    LibraryHandle LoadLibraryW(const WideChar *fileName) override;
    ProcAddress GetProcAddress(LibraryHandle library, const char *procName) override;
    BOOL FreeLibrary(LibraryHandle library) override;
    BOOL GetComputerNameW(WideChar *buffer, DWORD *size) override;
    BOOL GetUserNameW(WideChar *buffer, DWORD *size) override;
    QString executablePath() override { return m_executablePath; }

private:
    struct Drive {
        UINT type;
        QString uncName;
    };
    struct Answer {
        DWORD code;
        QString uncName;
    };
    QHash<QChar, Drive> m_drives;
    QHash<QString, Answer> m_answers;
    QHash<QByteArray, std::vector<Address>> m_hosts;
    QList<QByteArray> m_throwingHosts;
    QString m_executablePath = QStringLiteral("/opt/quellmark/Quellmark");
    void record(const QString &call);
    // The UNC name of the drive with this letter, or the error both network calls give
    // for a drive that is not a connected network drive.
    DWORD connectedName(QChar letter, QString *uncName) const;

    std::unique_ptr<Platform> m_native;
    std::mutex m_callsMutex;
    DWORD m_lastError = 0;
};
