#include <algorithm>
#include <cstring>
#include <new>

#include "Platform/Vfw/AviObjects.h"

namespace {

template <typename Record>
HRESULT CopyInfo(const Record& info, Record* to, LONG size)
{
    if (to == nullptr || size < 0)
        return AVIERR_BADPARAM;
    std::memcpy(to, &info, std::min<std::size_t>(static_cast<std::size_t>(size), sizeof info));
    return AVIERR_OK;
}

template <typename Object>
ULONG Release(Object* object)
{
    if (object == nullptr)
        return 0;
    const ULONG left = --object->m_refs;
    if (left == 0)
        delete object;
    return left;
}

} // namespace

void AVIFileInit() {}

void AVIFileExit() {}

HRESULT AVIFileOpen(PAVIFILE* file, LPCSTR path, UINT mode, const void*)
{
    if (file == nullptr)
        return AVIERR_BADPARAM;
    *file = nullptr;
    if (path == nullptr)
        return AVIERR_BADPARAM;
    if ((mode & (OF_WRITE | OF_READWRITE)) == 0)
        return vfw::OpenAviForReading(path, file);
    if ((mode & OF_CREATE) == 0)
        return AVIERR_UNSUPPORTED;
    return vfw::CreateAviForWriting(path, file);
}

HRESULT AVIFileInfo(PAVIFILE file, AVIFILEINFO* info, LONG size)
{
    if (file == nullptr)
        return AVIERR_BADHANDLE;
    AVIFILEINFO whole{};
    if (const HRESULT result = file->Info(whole); result != AVIERR_OK)
        return result;
    return CopyInfo(whole, info, size);
}

HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index)
{
    if (stream == nullptr)
        return AVIERR_BADPARAM;
    *stream = nullptr;
    if (file == nullptr)
        return AVIERR_BADHANDLE;
    if (index < 0)
        return AVIERR_NODATA;
    return file->GetStream(stream, type, index);
}

ULONG AVIFileAddRef(PAVIFILE file) { return file != nullptr ? ++file->m_refs : 0; }

ULONG AVIFileRelease(PAVIFILE file) { return Release(file); }

HRESULT AVIStreamInfo(PAVISTREAM stream, AVISTREAMINFO* info, LONG size)
{
    if (stream == nullptr)
        return AVIERR_BADHANDLE;
    AVISTREAMINFO whole{};
    if (const HRESULT result = stream->Info(whole); result != AVIERR_OK)
        return result;
    return CopyInfo(whole, info, size);
}

HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG* size)
{
    if (stream == nullptr)
        return AVIERR_BADHANDLE;
    return stream->ReadFormat(position, format, size);
}

HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG cb, LONG* bytes,
                      LONG* samplesRead)
{
    if (stream == nullptr)
        return AVIERR_BADHANDLE;
    return stream->Read(start, samples, buffer, cb, bytes, samplesRead);
}

LONG AVIStreamStart(PAVISTREAM stream)
{
    AVISTREAMINFO info{};
    return AVIStreamInfo(stream, &info, sizeof info) == AVIERR_OK ? static_cast<LONG>(info.dwStart) : -1;
}

LONG AVIStreamLength(PAVISTREAM stream)
{
    AVISTREAMINFO info{};
    return AVIStreamInfo(stream, &info, sizeof info) == AVIERR_OK ? static_cast<LONG>(info.dwLength) : -1;
}

LONG AVIStreamSampleToTime(PAVISTREAM stream, LONG sample)
{
    AVISTREAMINFO info{};
    if (AVIStreamInfo(stream, &info, sizeof info) != AVIERR_OK || info.dwRate == 0)
        return -1;
    return static_cast<LONG>(static_cast<std::int64_t>(sample) * info.dwScale * 1000 / info.dwRate);
}

LONG AVIStreamTimeToSample(PAVISTREAM stream, LONG time)
{
    AVISTREAMINFO info{};
    if (AVIStreamInfo(stream, &info, sizeof info) != AVIERR_OK || info.dwScale == 0)
        return -1;
    return static_cast<LONG>(static_cast<std::int64_t>(time) * info.dwRate / (static_cast<std::int64_t>(info.dwScale) * 1000));
}

ULONG AVIStreamAddRef(PAVISTREAM stream) { return stream != nullptr ? ++stream->m_refs : 0; }

ULONG AVIStreamRelease(PAVISTREAM stream) { return Release(stream); }

HRESULT AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO* info)
{
    if (stream == nullptr || info == nullptr)
        return AVIERR_BADPARAM;
    *stream = nullptr;
    if (file == nullptr)
        return AVIERR_BADHANDLE;
    return file->CreateStream(stream, info);
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const void*)
{
    if (compressed == nullptr || options == nullptr)
        return AVIERR_BADPARAM;
    *compressed = nullptr;
    if (source == nullptr)
        return AVIERR_BADHANDLE;
    return vfw::MakeCompressedStream(source, *options, compressed);
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, const void* format, LONG size)
{
    if (stream == nullptr)
        return AVIERR_BADHANDLE;
    if (format == nullptr || size <= 0)
        return AVIERR_BADPARAM;
    return stream->SetFormat(position, format, size);
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* buffer, LONG cb, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten)
{
    if (samplesWritten != nullptr)
        *samplesWritten = 0;
    if (bytesWritten != nullptr)
        *bytesWritten = 0;
    if (stream == nullptr)
        return AVIERR_BADHANDLE;
    if ((buffer == nullptr && cb > 0) || cb < 0 || samples < 0)
        return AVIERR_BADPARAM;
    return stream->Write(start, samples, buffer, cb, flags, samplesWritten, bytesWritten);
}
