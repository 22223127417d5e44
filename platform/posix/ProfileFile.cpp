#include "ProfileFile.h"

#include "FileReplace.h"

namespace {

ProfileRefusal profileRefusalOf(FileReplace::Refusal refusal)
{
    using FileReplace::Refusal;
    switch (refusal) {
    case Refusal::None:
        return ProfileRefusal::None;
    case Refusal::DiskFull:
        return ProfileRefusal::DiskFull;
    case Refusal::Busy:
        return ProfileRefusal::SharingViolation;
    case Refusal::Failed:
    case Refusal::TooLarge:
        return ProfileRefusal::WriteFault;
    case Refusal::Link:
    case Refusal::HardLink:
    case Refusal::Folder:
    case Refusal::NotAFile:
    case Refusal::ReadOnly:
    case Refusal::AccessDenied:
        break;
    }
    return ProfileRefusal::AccessDenied;
}

} // namespace

ProfileRefusal writeProfileString(const QString &fileName, const QString &section,
                                  const std::optional<QString> &key,
                                  const std::optional<QString> &value)
{
    if (fileName.isEmpty())
        return ProfileRefusal::InvalidParameter;
    ProfileRefusal refusal = ProfileRefusal::None;
    FileReplace::Request request;
    request.fileName = fileName;
    request.produce = [&](const FileReplace::Current &current) -> std::optional<QByteArray> {
        if (current.tooLarge) {
            refusal = ProfileRefusal::WriteFault;
            return std::nullopt;
        }
        ProfileBytes file = ProfileBytes::read(current.bytes);
        if (!applyProfileWrite(file.lines, section, key, value)) {
            refusal = ProfileRefusal::LineBreak;
            return std::nullopt;
        }
        std::optional<QByteArray> bytes = file.bytes();
        if (!bytes)
            refusal = ProfileRefusal::Unencodable;
        else if (*bytes == current.bytes && (current.exists || bytes->isEmpty()))
            return std::nullopt;
        return bytes;
    };
    const FileReplace::Result result = FileReplace::replace(request);
    return result.ok() ? refusal : profileRefusalOf(result.refusal);
}

namespace {

thread_local DWORD t_lastError = 0;

std::optional<QString> optionalWide(const WideChar *text)
{
    return text ? std::optional<QString>(QString::fromUtf16(text)) : std::nullopt;
}

BOOL refused(ProfileRefusal refusal)
{
    t_lastError = DWORD(refusal);
    return refusal == ProfileRefusal::None ? TRUE : FALSE;
}

} // namespace

BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName)
{
    if (!appName)
        return refused((!keyName && !string) ? ProfileRefusal::None
                                             : ProfileRefusal::InvalidParameter);
    if (!fileName)
        return refused(ProfileRefusal::InvalidParameter);
    return refused(writeProfileString(QString::fromUtf16(fileName), QString::fromUtf16(appName),
                                      optionalWide(keyName), optionalWide(string)));
}

DWORD lastProfileError()
{
    return t_lastError;
}
