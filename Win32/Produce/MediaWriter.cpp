#include "Win32/Produce/MediaWriter.h"


#include <cstdint>
#include <cstdio>

#include "Platform/Win/Kernel/Files.h"
#include "Platform/Win/Kernel/Sync.h"
#include "Platform/Win/Kernel/System.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Utils/FileUtils.h"

namespace {

constexpr int kTempNameCount = 100;

struct TypeExtension {
    int type;
    LPCSTR extension;
};
constexpr TypeExtension kExtensions[] = {{2, ".mpg"}, {4, ".wmv"}, {5, ".rm"}};

void LogTrace(LPCSTR text)
{
    if (CShellServices::Get().GetDebugLevel() > 3)
        CShellServices::Get().WriteDebugLog(text);
}

void LogError(LPCSTR text)
{
    if (CShellServices::Get().GetDebugLevel() > 0)
        CShellServices::Get().WriteDebugLog(text);
}

// Drive and folder of a path with its separator: everything up to the last
// '/' or '\'; empty for a bare file name.
CString FolderOf(const CString& path)
{
    int cut = -1;
    for (int i = 0; i < path.GetLength(); ++i)
        if (path[i] == '/' || path[i] == '\\' || (i == 1 && path[i] == ':'))
            cut = i;
    return path.Left(cut + 1);
}

// Puts the finished temporary file in the target's place in one step, so
// that a kill at any moment leaves the old movie or the new one under the
// target's name, never neither. A read-only target is made writable for its
// owner and replaced.
BOOL ReplaceTarget(LPCSTR temporary, LPCSTR target)
{
    constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExA(temporary, target, kFlags))
        return TRUE;
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return FALSE;
    if (!SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL))
        return FALSE;
    return MoveFileExA(temporary, target, kFlags);
}

// The name of the claim on a temporary production file: the same in every
// process for the same path.
CString ClaimNameOf(const CString& path)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (int i = 0; i < path.GetLength(); ++i)
        hash = (hash ^ static_cast<unsigned char>(path[i])) * 1099511628211ull;
    char name[48];
    std::snprintf(name, sizeof name, "Kestrelon production %016llx", static_cast<unsigned long long>(hash));
    return name;
}

// A claim on `path` for this production, or null when a production still
// running (here or in another process) holds it.
HANDLE ClaimTempName(const CString& path)
{
    HANDLE claim = CreateMutexA(nullptr, FALSE, ClaimNameOf(path));
    if (claim != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(claim);
        return nullptr;
    }
    return claim;
}

} // namespace

LPCSTR WriterExtensionForType(int outputType)
{
    for (const TypeExtension& row : kExtensions)
        if (row.type == outputType)
            return row.extension;
    return ".avi";
}

MediaWriter::MediaWriter() = default;

MediaWriter::~MediaWriter()
{
    ReleaseTempClaim();
    for (BYTE*& slot : m_pDelayed) {
        delete[] slot;
        slot = nullptr;
    }
}

void MediaWriter::SetNoAudio(int noAudio) { m_bNoAudio = noAudio; }

int MediaWriter::GetNoAudio() { return m_bNoAudio; }

int MediaWriter::HandleNotify(long) { return 0; }

int MediaWriter::SetAudioFormat(PCMWAVEFORMAT format)
{
    m_bAudioFormatSet = 1;
    m_wfAudio = format;
    return kWriterOk;
}

int MediaWriter::SetOutputName(LPCSTR name)
{
    m_strOutputName = name;
    m_bNameSet = 1;
    return kWriterOk;
}

int MediaWriter::GetOutputName(CString& name) const
{
    name.Empty();
    if (!m_bNameSet)
        return kWriterNoOutputName;
    name = m_strOutputName;
    return kWriterOk;
}

int MediaWriter::SetFrameTime(DWORD microseconds)
{
    m_nTimeScale = 1000000;
    if (microseconds == 0)
        return kWriterBadFrameTime;
    m_nFrameTime = microseconds;
    return kWriterOk;
}

void MediaWriter::GetFrameSize(int* width, int* height) const
{
    *width = m_nWidth;
    *height = m_nHeight;
}

int MediaWriter::SetBitDepth(int bits)
{
    const int depth = bits & 0xFFFF;
    if (depth != 8 && depth != 16 && depth != 24)
        return kWriterBadDepth;
    m_nBitDepth = depth;
    return kWriterOk;
}

void MediaWriter::SetDefaultAudioFormat()
{
    m_wfAudio = PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 1, 11025, 11025, 1}, 8};
    m_bNoAudio = 0;
    m_bAudioFormatLocked = 0;
}

void MediaWriter::SetDefaultVideoFormat()
{
    m_nBitDepth = 24;
    m_nWidth = 320;
    m_nHeight = 240;
}

int MediaWriter::MakeTempFileName()
{
    LogTrace("Creating Temp Produce File \r\n");
    LogTrace(m_strOutputName + "\r\n");
    ReleaseTempClaim();
    m_strTempName.Empty();
    const CString folder = FolderOf(m_strOutputName);
    for (int n = 0; n < kTempNameCount; ++n) {
        CString candidate;
        candidate.Format("%sMMERGE%d%s", static_cast<LPCSTR>(folder), n, static_cast<LPCSTR>(m_strExtension));
        HANDLE claim = ClaimTempName(candidate);
        if (claim == nullptr)
            continue;
        // An unclaimed file of this name is what a production that can no
        // longer finish left behind.
        if (FileExists(candidate) && !DeleteFileA(candidate)) {
            CloseHandle(claim);
            continue;
        }
        m_hTempClaim = claim;
        m_strTempName = candidate;
        LogTrace("Got Temp Produce File \r\n");
        LogTrace(m_strTempName + "\r\n");
        // The other leftovers of ended productions in the folder go too.
        for (int other = n + 1; other < kTempNameCount; ++other) {
            CString name;
            name.Format("%sMMERGE%d%s", static_cast<LPCSTR>(folder), other, static_cast<LPCSTR>(m_strExtension));
            if (!FileExists(name))
                continue;
            if (HANDLE stale = ClaimTempName(name)) {
                DeleteFileA(name);
                CloseHandle(stale);
            }
        }
        return kWriterOk;
    }
    LogError("No free temporary production file name\r\n");
    return kWriterOpenFailed;
}

void MediaWriter::ReleaseTempClaim()
{
    if (m_hTempClaim != nullptr)
        CloseHandle(m_hTempClaim);
    m_hTempClaim = nullptr;
}

int MediaWriter::FinishFile(int finish)
{
    if (m_strTempName.IsEmpty()) {
        ReleaseTempClaim();
        return kWriterOk;
    }
    if (!finish) {
        DeleteFileA(m_strTempName);
        ReleaseTempClaim();
        return kWriterOk;
    }
    if (!ReplaceTarget(m_strTempName, m_strOutputName)) {
        // The file stays, and so does the claim: the finished movie is not
        // swept away while this writer lives.
        LogError("Renaming the temporary production file failed\r\n");
        return kWriterOpenFailed;
    }
    ReleaseTempClaim();
    return kWriterOk;
}
