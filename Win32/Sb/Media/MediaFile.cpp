#include "Win32/Sb/Media/MediaFile.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "Platform/Mfc/File.h"
#include "Platform/Outside/StillImage/StillImage.h"
#include "Platform/Win/Base/Guid.h"
#include "Win32/Sb/Media/MediaSource.h"
#include "Win32/Sb/Media/AviFileReader.h"
#include "Win32/Sb/Media/DShowReader.h"
#include "Win32/Sb/Media/RealMediaReader.h"
#include "Win32/Sb/Media/StillImageReader.h"
#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/Profile.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

struct TypeRow {
    const char* extension;
    INT type;
};

// Compared in this order with the upper-cased extension; MP2 is probed.
constexpr TypeRow kTypeTable[] = {
    {"SBD", CMediaFile::kTypeStoryboard}, {"SCN", CMediaFile::kTypeScene}, {"DSC", CMediaFile::kTypeDescriptor},
    {"WAV", CMediaFile::kTypeAudio},      {"MP3", CMediaFile::kTypeAudio}, {"AVI", CMediaFile::kTypeVideo},
    {"MOV", CMediaFile::kTypeVideo},      {"M2S", CMediaFile::kTypeVideo}, {"M2P", CMediaFile::kTypeVideo},
    {"MPEG", CMediaFile::kTypeVideo},     {"MPEG2", CMediaFile::kTypeVideo}, {"MPV", CMediaFile::kTypeVideo},
    {"MPG", CMediaFile::kTypeVideo},      {"DAT", CMediaFile::kTypeVideo}, {"RM", CMediaFile::kTypeVideo},
    {"ASF", CMediaFile::kTypeVideo},      {"WMV", CMediaFile::kTypeVideo}, {"BMP", CMediaFile::kTypeStill},
    {"DIB", CMediaFile::kTypeStill},      {"EPS", CMediaFile::kTypeStill}, {"JPG", CMediaFile::kTypeStill},
    {"MAC", CMediaFile::kTypeStill},      {"MSP", CMediaFile::kTypeStill}, {"PCD", CMediaFile::kTypeStill},
    {"PCT", CMediaFile::kTypeStill},      {"PCX", CMediaFile::kTypeStill}, {"TGA", CMediaFile::kTypeStill},
    {"TIF", CMediaFile::kTypeStill},      {"WMF", CMediaFile::kTypeStill}, {"FPX", CMediaFile::kTypeStill},
    {"PNG", CMediaFile::kTypeStill},
};

// String ids of the untranslated module that name the parts of a scene
// document.
constexpr UINT kHeaderSection = 1104;
constexpr UINT kFileTypeKey = 1106;
constexpr UINT kSceneFileType = 1121;
constexpr UINT kVersionKey = 1107;
constexpr UINT kSceneVersion = 1122;
constexpr UINT kSceneSection = 1113;
constexpr UINT kMediaKindKey = 1005;
constexpr UINT kVideoKind = 1000;
constexpr UINT kStillKind = 1002;
constexpr UINT kMediaPathKey = 1020;
constexpr UINT kOverlayPrefix = 1041;
constexpr UINT kOverlayCount = 1042;
constexpr UINT kMotionKey = 1038;
constexpr UINT kMotionSuffix = 1066;
constexpr UINT kHasAudioKey = 1130;
constexpr UINT kTrack0Path = 1133;
constexpr UINT kTrack1Path = 1134;
constexpr UINT kTrackPath = 1400;

CMediaReaderFactory g_standardFactory;
CMediaReaderFactory* g_factory = &g_standardFactory;

bool LoadText(UINT id, CString& text)
{
    return text.LoadString(id) && !text.IsEmpty();
}

std::string FileNameOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path)
{
    CFileStatus status;
    return CFile::GetStatus(path.c_str(), status) != FALSE;
}

// Walks the media entries of a scene document in the order the scene
// stores them and stops at the first missing file.
class SceneMediaCheck {
public:
    SceneMediaCheck(const CProfile& profile, std::string baseFolder) : m_profile(profile), m_base(std::move(baseFolder)) {}

    bool LoadNames()
    {
        return LoadText(kMediaKindKey, m_kindKey) && LoadText(kVideoKind, m_videoKind) && LoadText(kStillKind, m_stillKind)
            && LoadText(kMediaPathKey, m_pathKey);
    }

    // The resolved path of the first missing file, or empty.
    std::string FindMissing(const std::string& scene)
    {
        if (TestMediaEntry(scene))
            return m_missing;
        CString prefix;
        CString countKey;
        if (LoadText(kOverlayPrefix, prefix) && LoadText(kOverlayCount, countKey)) {
            const int count = m_profile.GetInt(scene.c_str(), countKey);
            for (int i = 0; i < count; ++i) {
                const std::string section = scene + static_cast<LPCSTR>(prefix) + "_" + std::to_string(i);
                if (m_profile.HasSection(section.c_str()) && TestMediaEntry(section))
                    return m_missing;
            }
        }
        CString motionKey;
        CString motionSuffix;
        if (LoadText(kMotionKey, motionKey) && LoadText(kMotionSuffix, motionSuffix)) {
            std::string section = scene;
            // A section that names itself cannot loop: each step makes the
            // name longer, and a profile holds finitely many sections.
            while (m_profile.HasEntry(section.c_str(), motionKey)) {
                section += std::string(static_cast<LPCSTR>(motionSuffix)) + "0";
                if (!m_profile.HasSection(section.c_str()))
                    break;
                if (TestMediaEntry(section))
                    return m_missing;
            }
        }
        CString audioKey;
        if (LoadText(kHasAudioKey, audioKey) && m_profile.GetBool(scene.c_str(), audioKey)) {
            for (int track = 0; track < 6; ++track) {
                if (TestAudioEntry(scene, track))
                    return m_missing;
            }
        }
        return {};
    }

private:
    // True when the entry names a media file that is missing.
    bool TestMediaEntry(const std::string& section)
    {
        LPCSTR kind = m_profile.GetValue(section.c_str(), m_kindKey);
        if (kind == nullptr || (m_videoKind.CompareNoCase(kind) != 0 && m_stillKind.CompareNoCase(kind) != 0))
            return false;
        LPCSTR path = m_profile.GetValue(section.c_str(), m_pathKey);
        return TestPath(path != nullptr ? path : "");
    }

    bool TestAudioEntry(const std::string& scene, int track)
    {
        CString key;
        if (track < 2) {
            if (!LoadText(track == 0 ? kTrack0Path : kTrack1Path, key))
                return false;
        } else {
            CString stem;
            if (!LoadText(kTrackPath, stem))
                return false;
            key.Format("%s_%d", static_cast<LPCSTR>(stem), track);
        }
        LPCSTR path = m_profile.GetValue(scene.c_str(), key);
        return path != nullptr && TestPath(path);
    }

    bool TestPath(const std::string& stored)
    {
        CString path(stored.c_str());
        ResolveRelativePath(m_base.c_str(), path);
        const std::string resolved(path);
        if (FileExists(resolved))
            return false;
        m_missing = resolved;
        return true;
    }

    const CProfile& m_profile;
    std::string m_base;
    CString m_kindKey;
    CString m_videoKind;
    CString m_stillKind;
    CString m_pathKey;
    std::string m_missing;
};

} // namespace

CMediaSource* CMediaReaderFactory::CreateDShowReader(LPCSTR path)
{
    return new (std::nothrow) CDShowReader(path, 0, 0);
}

CMediaSource* CMediaReaderFactory::CreateAviFileReader(LPCSTR path)
{
    return new (std::nothrow) CAviFileReader(path, 1, 0, -1);
}

CMediaSource* CMediaReaderFactory::CreateStillImageReader(LPCSTR path)
{
    return new (std::nothrow) CStillImageReader(path, 1, 0, 0);
}

CMediaSource* CMediaReaderFactory::CreateRealMediaReader(LPCSTR path)
{
    return new (std::nothrow) CRealMediaReader(path);
}

CMediaFile::CMediaFile(LPCSTR path)
{
    SetPath(path);
}

CMediaFile::~CMediaFile() = default;

// A path without an extension gets an empty one; keeping the previous
// path's would classify the new file by the old one.
INT CMediaFile::SetPath(LPCSTR path)
{
    m_bValid = 0;
    m_strPath = path != nullptr ? path : "";
    const std::string name = FileNameOf(static_cast<LPCSTR>(m_strPath));
    const size_t dot = name.find_last_of('.');
    m_strExt = dot == std::string::npos ? "" : name.substr(dot + 1).c_str();
    CheckExists(&m_bExists);
    DetectType(&m_nType);
    m_bValid = !m_strPath.IsEmpty() && !m_strExt.IsEmpty() && m_bExists;
    return 0;
}

INT CMediaFile::CheckExists(INT* exists)
{
    CFileStatus status;
    const bool found = !m_strPath.IsEmpty() && CFile::GetStatus(m_strPath, status);
    if (exists != nullptr)
        *exists = found ? 1 : 0;
    return found ? kOk : kMissing;
}

INT CMediaFile::GetFileStatus(CFileStatus& status)
{
    return !m_strPath.IsEmpty() && CFile::GetStatus(m_strPath, status) ? kOk : kNoStatus;
}

bool CMediaFile::ExtensionIs(LPCSTR name) const
{
    return m_strExt.CompareNoCase(name) == 0;
}

INT CMediaFile::IsRealMedia(INT* yes)
{
    if (yes != nullptr)
        *yes = ExtensionIs("RM");
    return 0;
}

INT CMediaFile::IsWindowsMedia(INT* yes)
{
    if (yes != nullptr)
        *yes = ExtensionIs("ASF") || ExtensionIs("WMV");
    return 0;
}

INT CMediaFile::IsMp3(INT* yes)
{
    if (yes != nullptr)
        *yes = ExtensionIs("MP3");
    return 0;
}

INT CMediaFile::IsMp2(INT* yes)
{
    if (yes != nullptr)
        *yes = ExtensionIs("MP2");
    return 0;
}

INT CMediaFile::DetectType(INT* type)
{
    INT ignored = 0;
    if (type == nullptr)
        type = &ignored;
    *type = kTypeNone;
    if (m_strExt.IsEmpty())
        return kNoExtension;
    CString upper = m_strExt;
    upper.MakeUpper();
    for (const TypeRow& row : kTypeTable) {
        if (std::strcmp(upper, row.extension) == 0) {
            *type = row.type;
            return kOk;
        }
    }
    if (upper == "MP2")
        return ProbeMp2(type);
    return kUnknownExtension;
}

INT CMediaFile::ProbeMp2(INT* type)
{
    std::unique_ptr<CMediaSource> probe(g_factory->CreateDShowReader(m_strPath));
    if (!probe || !probe->IsOpen())
        return kOk;
    GUID subtype{};
    if (probe->GetVideoSubtype(&subtype))
        *type = kTypeVideo;
    else if (probe->HasAudio() && !probe->HasVideo())
        *type = kTypeAudio;
    return kOk;
}

INT CMediaFile::CreateReader(CMediaSource** reader)
{
    CMediaSource* ignored = nullptr;
    if (reader == nullptr)
        reader = &ignored;
    *reader = nullptr;
    if (CheckExists(nullptr) != kOk)
        return kMissing;
    CFileStatus status;
    if (GetFileStatus(status) == kOk && status.m_size == 0)
        return kCannotOpen;
    INT type = m_nType;
    if (type == kTypeNone) {
        const INT result = DetectType(&type);
        if (result != kOk)
            return result;
    }
    CMediaSource* made = nullptr;
    switch (type) {
    case kTypeVideo:
        made = ExtensionIs("rm") ? g_factory->CreateRealMediaReader(m_strPath) : g_factory->CreateDShowReader(m_strPath);
        break;
    case kTypeStill:
        made = g_factory->CreateStillImageReader(m_strPath);
        break;
    case kTypeAudio:
        made = ExtensionIs("MP3") || ExtensionIs("MP2") ? g_factory->CreateDShowReader(m_strPath)
                                                        : g_factory->CreateAviFileReader(m_strPath);
        break;
    default:
        return kOk;
    }
    // No reader (memory, or a reader not built yet) is a failure, not a
    // success without a reader.
    if (made == nullptr)
        return kCannotOpen;
    if (!made->IsOpen()) {
        made->Close();
        delete made;
        return kCannotOpen;
    }
    *reader = made;
    return kOk;
}

INT CMediaFile::CheckTiffCompression()
{
    if (!ExtensionIs("TIF"))
        return 1;
    STILLFILEINFO info{};
    if (StillImageGetFileInfo(m_strPath, &info) != STILLIMAGE_OK)
        return 1;
    CString compression(info.Compression);
    compression.MakeUpper();
    return compression == "LZW" ? 0 : 1;
}

INT CMediaFile::CheckSceneMedia(INT* ok, CString& missingPath)
{
    INT ignored = 0;
    if (ok == nullptr)
        ok = &ignored;
    *ok = 1;
    missingPath.Empty();
    if (m_nType != kTypeScene)
        return kOk;

    CResourceSwitch untranslated(kResourceUntranslated);
    CProfile profile;
    profile.Load(m_strPath);
    CString header;
    CString fileTypeKey;
    CString fileType;
    CString versionKey;
    CString version;
    CString scene;
    const bool named = LoadText(kHeaderSection, header) && LoadText(kFileTypeKey, fileTypeKey)
        && LoadText(kSceneFileType, fileType) && LoadText(kVersionKey, versionKey) && LoadText(kSceneVersion, version)
        && LoadText(kSceneSection, scene);
    LPCSTR storedType = named ? profile.GetValue(header, fileTypeKey) : nullptr;
    LPCSTR storedVersion = named ? profile.GetValue(header, versionKey) : nullptr;
    if (!named || !profile.HasSection(header) || storedType == nullptr || fileType != storedType
        || storedVersion == nullptr || version != storedVersion) {
        missingPath = m_strPath;
        *ok = 0;
        return kMissing;
    }

    const std::string path = static_cast<LPCSTR>(m_strPath);
    const size_t slash = path.find_last_of('/');
    SceneMediaCheck check(profile, slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
    if (!check.LoadNames())
        return kOk;
    const std::string missing = check.FindMissing(static_cast<LPCSTR>(scene));
    if (missing.empty())
        return kOk;
    missingPath = missing.c_str();
    *ok = 0;
    return kMissing;
}

CMediaReaderFactory* CMediaFile::SetReaderFactory(CMediaReaderFactory* factory)
{
    CMediaReaderFactory* previous = g_factory;
    g_factory = factory != nullptr ? factory : &g_standardFactory;
    return previous;
}
