#pragma once
// The RealMedia build engine the RealVideo writer drives: plug-in paths, an
// engine whose input pins are found by MIME type, clip texts, target
// audiences and quality settings, pin formats, media samples with
// millisecond times, a suggested audio input size and a DoneEncoding that
// finishes the file. Backed by FFmpeg's RealMedia muxer with RealVideo 2
// (RV20) pictures and AC-3 sound (the muxer takes no PCM). The clip texts
// and metadata become the file's title, author, copyright and comment.
// There is one stream per type: with several target audiences the file is
// made for the fastest of them.
//
// Objects from the creation calls go with Release; pins, clip properties
// and target settings belong to their engine. Results: S_OK, or a negative
// HRESULT for a failure.

#include "Platform/Win/Base/WinError.h"
#include "Platform/Win/Base/WinTypes.h"

namespace rmbe {

// EnumInputPins past the last pin.
constexpr HRESULT RMBE_ENUM_END = 0x40012;
// A call out of order (before or after encoding).
constexpr HRESULT RMBE_E_NOT_READY = static_cast<HRESULT>(0x80040FF0u);

constexpr DWORD RMBE_SAMPLE_LAST = 2;

constexpr char kAudioMime[] = "audio/x-pn-realaudio";
constexpr char kVideoMime[] = "video/x-pn-realvideo";
constexpr char kEventMime[] = "application/x-pn-realevent";
constexpr char kImageMapMime[] = "application/x-pn-imagemap";

// The audiences 0..5: 28.8k and 56k modems, single and dual ISDN, DSL or
// cable, corporate LAN.
constexpr int RMBE_AUDIENCES = 6;

// Takes the "NAME=path" strings, each ended by a zero byte, the block by a
// further zero byte; E_INVALIDARG for a block without one.
HRESULT SetDLLAccessPath(const char* block);

class Sample {
public:
    virtual ~Sample() = default;
    void Release() { delete this; }
    // The sample refers to `data` until it is encoded.
    virtual HRESULT Set(const BYTE* data, DWORD size, DWORD timeMs, DWORD flags) = 0;
};

class Pin {
public:
    virtual ~Pin() = default;
    // Copies the MIME type and its terminator; E_INVALIDARG when `size`
    // cannot hold them.
    virtual HRESULT GetMimeType(char* mime, DWORD size) = 0;
    // The audio pin: 16-bit PCM of one or two channels.
    virtual HRESULT SetAudioProperties(int channels, int sampleRate, int bitsPerSample) = 0;
    // The audio pin, once prepared: bytes per sample it wants (50 ms).
    virtual HRESULT GetSuggestedInputSize(DWORD* bytes) = 0;
    // The video pin: 24-bit bottom-up pictures of `width` x `height`.
    virtual HRESULT SetVideoProperties(int width, int height, float framesPerSecond) = 0;
    virtual HRESULT Encode(Sample* sample) = 0;
};

class ClipProperties {
public:
    virtual ~ClipProperties() = default;
    virtual HRESULT SetTitle(const char* text) = 0;
    virtual HRESULT SetAuthor(const char* text) = 0;
    virtual HRESULT SetCopyright(const char* text) = 0;
    // Clip flags 0..4 (the engine keeps them; they change nothing here).
    virtual HRESULT SetFlag(int flag, int value) = 0;
    virtual HRESULT SetOutputFilename(const char* path) = 0;
};

class TargetSettings {
public:
    virtual ~TargetSettings() = default;
    // 0 normal, 1 smoothest motion, 2 sharpest image, 3 slide show.
    virtual HRESULT SetVideoQuality(int quality) = 0;
    // 0 voice, 1 voice with music, 2 music, 3 stereo music.
    virtual HRESULT SetAudioContent(int content) = 0;
    virtual HRESULT RemoveAllTargetAudiences() = 0;
    virtual HRESULT AddTargetAudience(int audience) = 0;
};

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void OnStart() = 0;
    virtual void OnProgress(ULONG percent) = 0;
    virtual void OnDone() = 0;
};

class Engine {
public:
    virtual ~Engine() = default;
    // Drops a file not finished.
    void Release() { delete this; }
    // The input pins from 0: audio, video; RMBE_ENUM_END past the last.
    virtual HRESULT EnumInputPins(DWORD index, Pin** pin) = 0;
    // Switches the output of a stream type on or off (audio and video on
    // at first; events and image maps cannot be switched on).
    virtual HRESULT SetOutputMime(const char* mime, BOOL on) = 0;
    virtual HRESULT SetOption(int option, int value) = 0;
    virtual ClipProperties* GetClipProperties() = 0;
    virtual TargetSettings* GetTargetSettings() = 0;
    virtual HRESULT SetMetadata(const char* name, const char* value) = 0;
    // Opens the file: needs the output name and each stream's pin format.
    virtual HRESULT PrepareToEncode() = 0;
    virtual HRESULT CreateSample(Sample** sample) = 0;
    // Finishes the file and moves it to its name.
    virtual HRESULT DoneEncoding(ProgressSink* sink) = 0;
};

HRESULT CreateBuildEngine(Engine** engine);

} // namespace rmbe
