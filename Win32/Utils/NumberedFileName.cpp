#include "Win32/Utils/NumberedFileName.h"

#include <string>

#include "Win32/Utils/FileUtils.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace {

constexpr int kNumbers = 1000;

int g_captureCounter = 0;
int g_stillCounter = 0;
int g_imageCounter = 0;
int g_audioCounter = 0;

CString LoadModuleString(int kind, UINT id)
{
    CResourceSwitch module(kind);
    CString text;
    text.LoadString(id);
    return text;
}

CString BaseOrDefault(LPCSTR base)
{
    if (base && *base)
        return base;
    return LoadModuleString(kResourceLanguage, IDS_DEFAULT_BASE_NAME);
}

// `base` without its extension, in `folder` unless it is absolute. Only a
// '.' in the file name itself starts an extension, so that a dotted folder
// ("/home/a.b/clip") keeps its name.
CString StemOf(LPCSTR folder, LPCSTR base)
{
    std::string name = base ? base : "";
    size_t slash = name.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > nameStart)
        name.erase(dot);
    if (!name.empty() && name[0] == '/')
        return name.c_str();
    std::string stem = folder ? folder : "";
    if (!stem.empty() && stem.back() != '/')
        stem += '/';
    stem += name;
    return stem.c_str();
}

} // namespace

CString NextNumberedFileName(const CString& stem, const CString& extension, int& counter, BOOL bOverwrite)
{
    if (counter < 0 || counter >= kNumbers)
        counter = 0;
    for (int tries = 0; tries < kNumbers; ++tries) {
        CString name;
        name.Format("%s%03d%s", static_cast<LPCSTR>(stem), counter, static_cast<LPCSTR>(extension));
        counter = (counter + 1) % kNumbers;
        if ((bOverwrite || !FileExists(name)) && IsPathWritable(name))
            return name;
    }
    return CString();
}

CString MakeNumberedFileName(LPCSTR folder, LPCSTR base, LPCSTR extension, int& counter, BOOL bOverwrite)
{
    return NextNumberedFileName(StemOf(folder, base), extension, counter, bOverwrite);
}

CString MakeNumberedCaptureFileName(LPCSTR folder, LPCSTR base, BOOL bOverwrite)
{
    CString extension = LoadModuleString(kResourceUntranslated, IDS_CAPTURE_FILE_EXTENSION);
    return MakeNumberedFileName(folder, BaseOrDefault(base), extension, g_captureCounter, bOverwrite);
}

CString MakeNumberedStillFileName(LPCSTR folder, LPCSTR base)
{
    CString extension = LoadModuleString(kResourceUntranslated, IDS_STILL_FILE_EXTENSION);
    return MakeNumberedFileName(folder, BaseOrDefault(base), extension, g_stillCounter, FALSE);
}

CString MakeNumberedImageFileName(LPCSTR folder, LPCSTR base, LPCSTR extension)
{
    CString chosen = extension && *extension ? CString(extension)
                                             : LoadModuleString(kResourceUntranslated, IDS_STILL_FILE_EXTENSION);
    return MakeNumberedFileName(folder, BaseOrDefault(base), chosen, g_imageCounter, FALSE);
}

CString MakeNumberedAudioFileName(LPCSTR folder, LPCSTR base, BOOL bOverwrite)
{
    CString extension = LoadModuleString(kResourceUntranslated, IDS_AUDIO_FILE_EXTENSION);
    return MakeNumberedFileName(folder, BaseOrDefault(base), extension, g_audioCounter, bOverwrite);
}
