#pragma once
// The Windows Media Format calls the Windows Media writer and the profile
// list make: system profiles by index (a table of this library's own, from
// modem to broadband), a writer that takes raw PCM audio and 24-bit RGB
// pictures and encodes them to an ASF file with Windows Media Video 8
// (WMV2) and Windows Media Audio 2, and an indexer that reports when it has
// closed the file. Backed by FFmpeg's ASF muxer and its WMV2 and WMA v2
// encoders. The ASF muxer writes the file's index itself, so the indexer
// only checks the file and reports WMT_CLOSED from a thread of its own.
//
// Objects come from the creation calls and go with Release. Results are
// HRESULTs: S_OK or a failure code.

#include <atomic>
#include <memory>

#include "Platform/DShow/Api/DShowTypes.h"
#include "Platform/Win/Base/WinError.h"

namespace wmf {

using QWORD = ULONGLONG;
// The media types of the profiles' streams and of the writer's inputs.
using WM_MEDIA_TYPE = AM_MEDIA_TYPE;

// The writer is not in a state for the call.
constexpr HRESULT NS_E_INVALID_REQUEST = static_cast<HRESULT>(0xC00D002Bu);
// An input's media type the writer cannot take.
constexpr HRESULT NS_E_INVALID_INPUT_FORMAT = static_cast<HRESULT>(0xC00D0BB8u);

enum WMT_STATUS { WMT_ERROR = 0, WMT_OPENED = 1, WMT_STARTED = 3, WMT_STOPPED = 4, WMT_CLOSED = 13 };
enum WMT_ATTR_DATATYPE { WMT_TYPE_DWORD = 0 };

class StreamConfig;

class Profile {
public:
    virtual ~Profile() = default;
    void Release() { delete this; }
    // Copies the text and its terminator into `name` of `*length`
    // characters; with a null buffer (or one too small) only sets
    // `*length` to what the text needs (with a small buffer answers
    // E_INVALIDARG).
    virtual HRESULT GetName(WCHAR* name, DWORD* length) = 0;
    virtual HRESULT GetDescription(WCHAR* text, DWORD* length) = 0;
    virtual HRESULT GetStreamCount(DWORD* count) = 0;
    virtual HRESULT GetStream(DWORD index, StreamConfig** stream) = 0;
};

class StreamConfig {
public:
    virtual ~StreamConfig() = default;
    void Release() { delete this; }
    // MEDIATYPE_Audio or MEDIATYPE_Video.
    virtual HRESULT GetStreamType(GUID* type) = 0;
    // The media type with its format block behind it in one buffer of
    // `*size` bytes; a null `type` asks for the size. Audio: a
    // WAVEFORMATEX (the stream's WMA format, cbSize 0); video: a
    // VIDEOINFOHEADER with the stream's size in rcSource and its frame
    // time in AvgTimePerFrame.
    virtual HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) = 0;
};

DWORD GetSystemProfileCount();
// E_INVALIDARG for an index past the table.
HRESULT LoadSystemProfile(DWORD index, Profile** profile);

class InputProps {
public:
    virtual ~InputProps() = default;
    void Release() { delete this; }
    virtual HRESULT GetType(GUID* type) = 0;
    // Audio: PCM, 16 bits, one or two channels, with a WAVEFORMATEX.
    // Video: RGB24 with a VIDEOINFOHEADER of a 24-bit BI_RGB picture.
    virtual HRESULT SetMediaType(const WM_MEDIA_TYPE* type) = 0;
};

class Buffer {
public:
    virtual ~Buffer() = default;
    void Release() { delete this; }
    virtual HRESULT GetBufferAndLength(BYTE** data, DWORD* length) = 0;
    virtual HRESULT GetMaxLength(DWORD* length) = 0;
    virtual HRESULT SetLength(DWORD length) = 0;
};

class Writer {
public:
    virtual ~Writer() = default;
    // A writer released before EndWriting drops its file.
    void Release() { delete this; }
    virtual HRESULT SetProfile(Profile* profile) = 0;
    // The profile's inputs: its audio stream first, then its video stream.
    virtual HRESULT GetInputCount(DWORD* count) = 0;
    virtual HRESULT GetInputProps(DWORD input, InputProps** props) = 0;
    virtual HRESULT SetInputProps(DWORD input, InputProps* props) = 0;
    virtual HRESULT SetOutputFilename(const WCHAR* path) = 0;
    // Every input needs its media type first.
    virtual HRESULT BeginWriting() = 0;
    virtual HRESULT AllocateSample(DWORD size, Buffer** sample) = 0;
    // `time` in 100 ns units. Pictures are converted to the profile's size
    // and frame rate (a picture whose time falls on a frame already
    // written is passed over), audio to its rate and channels.
    virtual HRESULT WriteSample(DWORD input, QWORD time, DWORD flags, Buffer* sample) = 0;
    virtual HRESULT Flush() = 0;
    // Completes the file under its name; again, S_OK and nothing done.
    virtual HRESULT EndWriting() = 0;
};

HRESULT CreateWriter(Writer** writer);

// Implemented by the caller of the indexer. The indexer holds a reference
// while it works.
class StatusCallback {
public:
    virtual ~StatusCallback() = default;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT OnStatus(WMT_STATUS status, HRESULT result, WMT_ATTR_DATATYPE type, BYTE* value,
                             void* context) = 0;
};

class Indexer {
public:
    virtual ~Indexer() = default;
    // Waits for indexing under way to report.
    void Release() { delete this; }
    // Fails at once for a file that is not ASF; else reports WMT_CLOSED
    // (with S_OK) to `callback` from another thread.
    virtual HRESULT StartIndexing(const WCHAR* path, StatusCallback* callback, void* context) = 0;
};

HRESULT CreateIndexer(Indexer** indexer);

} // namespace wmf
