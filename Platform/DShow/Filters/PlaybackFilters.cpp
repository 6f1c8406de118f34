// The playback family of system filters: names, class identifiers, merits
// and the pins and types the filter mapper matches them by.

#include "Platform/DShow/Filters/Decoder/AvDecoder.h"
#include "Platform/DShow/Filters/Playback.h"
#include "Platform/DShow/Filters/Splitter/AvSplitter.h"
#include "Platform/DShow/Filters/SystemFilterTables.h"

namespace dshow {
namespace {

template <size_t N> constexpr UINT Count(const REGPINTYPES (&)[N]) { return static_cast<UINT>(N); }

// Splitters: the stream subtypes each takes, and what it offers.
// The AVI splitter also reads raw DV files (DVSD streams).
const GUID* const kAviInputs[] = {&MEDIASUBTYPE_Avi, &MEDIASUBTYPE_DVSD, &GUID_NULL};
const GUID* const kMpeg1Inputs[] = {&MEDIASUBTYPE_MPEG1System, &MEDIASUBTYPE_MPEG1Video, &MEDIASUBTYPE_MPEG1Audio,
                                    &MEDIASUBTYPE_MPEG1VideoCD, &GUID_NULL};
const GUID* const kMpeg2Inputs[] = {&MEDIASUBTYPE_MPEG2_PROGRAM, &MEDIASUBTYPE_MPEG2_VIDEO, &GUID_NULL};
const GUID* const kQuickTimeInputs[] = {&MEDIASUBTYPE_QTMovie, &GUID_NULL};
const GUID* const kWaveInputs[] = {&MEDIASUBTYPE_WAVE, &GUID_NULL};

const SplitterKind kAviSplitter = {&CLSID_AviSplitter, u"AVI Splitter", kAviInputs, StreamFlavour::Avi, true,
                                   nullptr};
const SplitterKind kMpeg1Splitter = {&CLSID_MPEG1Splitter, u"MPEG-I Stream Splitter", kMpeg1Inputs,
                                     StreamFlavour::Mpeg1, false, nullptr};
const SplitterKind kMpeg2Splitter = {&CLSID_LigosMPEG2Splitter, u"Ligos MPEG-2 Splitter", kMpeg2Inputs,
                                     StreamFlavour::Mpeg2, false, nullptr};
const SplitterKind kQuickTimeParser = {&CLSID_QuickTimeParser, u"QuickTime Movie Parser", kQuickTimeInputs,
                                       StreamFlavour::QuickTime, false, nullptr};
const SplitterKind kWaveParser = {&CLSID_WAVEParser, u"Wave Parser", kWaveInputs, StreamFlavour::Wave, false,
                                  nullptr};
const SplitterKind kAviWavSource = {&CLSID_AVIDoc, u"AVI-WAV File Source", nullptr, StreamFlavour::Avi, true,
                                    "avi,wav"};
const SplitterKind kAsfSource = {&CLSID_ASFReader, u"ASF File Source", nullptr, StreamFlavour::Asf, false, "asf"};

template <const SplitterKind& kind> HRESULT CreateSplitter(REFIID riid, void** object)
{
    return CreateAvSplitter(kind, riid, object);
}

const REGPINTYPES kAviIn[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_Avi}, {&MEDIATYPE_Stream, &MEDIASUBTYPE_DVSD}};
const REGPINTYPES kMpeg1In[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG1System},
                                {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG1Video},
                                {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG1Audio},
                                {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG1VideoCD}};
const REGPINTYPES kMpeg2In[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG2_PROGRAM},
                                {&MEDIATYPE_Stream, &MEDIASUBTYPE_MPEG2_VIDEO}};
const REGPINTYPES kQuickTimeIn[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_QTMovie}};
const REGPINTYPES kWaveIn[] = {{&MEDIATYPE_Stream, &MEDIASUBTYPE_WAVE}};
const REGPINTYPES kAnyVideoAudio[] = {{&MEDIATYPE_Video, &GUID_NULL}, {&MEDIATYPE_Audio, &GUID_NULL},
                                      {&MEDIATYPE_Interleaved, &MEDIASUBTYPE_dvsd}};
const REGPINTYPES kAnyVideo[] = {{&MEDIATYPE_Video, &GUID_NULL}};
const REGPINTYPES kPcm[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};

#define SPLITTER_PINS(pins, input)                                                                          \
    const REGFILTERPINS pins[] = {                                                                          \
        {u"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, Count(input), input},                  \
        {u"Output", FALSE, TRUE, FALSE, TRUE, &CLSID_NULL, nullptr, Count(kAnyVideoAudio), kAnyVideoAudio}, \
    }

SPLITTER_PINS(kAviPins, kAviIn);
SPLITTER_PINS(kMpeg1Pins, kMpeg1In);
SPLITTER_PINS(kMpeg2Pins, kMpeg2In);
SPLITTER_PINS(kQuickTimePins, kQuickTimeIn);
SPLITTER_PINS(kWavePins, kWaveIn);

const REGFILTER2 kAviSplitterRecord = {1, MERIT_NORMAL, {{2, kAviPins}}};
const REGFILTER2 kMpeg1SplitterRecord = {1, MERIT_NORMAL, {{2, kMpeg1Pins}}};
const REGFILTER2 kMpeg2SplitterRecord = {1, MERIT_NORMAL, {{2, kMpeg2Pins}}};
const REGFILTER2 kQuickTimeRecord = {1, MERIT_NORMAL, {{2, kQuickTimePins}}};
const REGFILTER2 kWaveRecord = {1, MERIT_NORMAL, {{2, kWavePins}}};

const REGPINTYPES kInterleavedDv[] = {{&MEDIATYPE_Interleaved, &MEDIASUBTYPE_dvsd}};
const REGPINTYPES kDvOut[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_dvsd}, {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
const REGFILTERPINS kDvSplitterPins[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, Count(kInterleavedDv), kInterleavedDv},
    {u"Output", FALSE, TRUE, FALSE, TRUE, &CLSID_NULL, nullptr, Count(kDvOut), kDvOut},
};
const REGFILTER2 kDvSplitterRecord = {1, MERIT_NORMAL, {{2, kDvSplitterPins}}};

// Decoders: the compressed types each takes.
const REGPINTYPES kDvIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_dvsd},
                             {&MEDIATYPE_Video, &MEDIASUBTYPE_DVSD},
                             {&MEDIATYPE_Video, &MEDIASUBTYPE_dvsl},
                             {&MEDIATYPE_Video, &MEDIASUBTYPE_dvhd}};
const REGPINTYPES kMpegVideoIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Packet},
                                    {&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG1Payload}};
const REGPINTYPES kMpeg2VideoIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MPEG2_VIDEO}};
const REGPINTYPES kMpegAudioIn[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1AudioPayload},
                                    {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1Packet},
                                    {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1Payload},
                                    {&MEDIATYPE_Audio, &MEDIASUBTYPE_MPEGLAYER3},
                                    {&MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3}};
const REGPINTYPES kMjpegIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MJPG}, {&MEDIATYPE_Video, &MEDIASUBTYPE_dmb1}};
// The ICM codes the AVI decompressor is offered for by the mapper (it
// takes any FOURCC libavcodec decodes when added by class).
#define FOURCC_TYPE(name, a, b, c, d)                                                                    \
    const GUID name = {static_cast<DWORD>(a) | static_cast<DWORD>(b) << 8 | static_cast<DWORD>(c) << 16 | \
                           static_cast<DWORD>(d) << 24,                                                  \
                       0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}
FOURCC_TYPE(kCinepak, 'c', 'v', 'i', 'd');
FOURCC_TYPE(kIndeo32, 'I', 'V', '3', '2');
FOURCC_TYPE(kIndeo41, 'I', 'V', '4', '1');
FOURCC_TYPE(kIndeo50, 'I', 'V', '5', '0');
FOURCC_TYPE(kMpeg4v2, 'M', 'P', '4', '2');
FOURCC_TYPE(kMpeg4v3, 'M', 'P', '4', '3');
FOURCC_TYPE(kDivx3, 'D', 'I', 'V', '3');
FOURCC_TYPE(kDivx, 'D', 'I', 'V', 'X');
FOURCC_TYPE(kDivx5, 'D', 'X', '5', '0');
FOURCC_TYPE(kXvid, 'X', 'V', 'I', 'D');
FOURCC_TYPE(kFfmpeg4, 'F', 'M', 'P', '4');
FOURCC_TYPE(kMsVideo1, 'M', 'S', 'V', 'C');
FOURCC_TYPE(kMsRle, 'm', 'r', 'l', 'e');
FOURCC_TYPE(kHuffyuv, 'H', 'F', 'Y', 'U');
FOURCC_TYPE(kH264, 'H', '2', '6', '4');
FOURCC_TYPE(kWmv1, 'W', 'M', 'V', '1');
FOURCC_TYPE(kWmv2, 'W', 'M', 'V', '2');
const REGPINTYPES kIcmIn[] = {
    {&MEDIATYPE_Video, &kCinepak},  {&MEDIATYPE_Video, &kIndeo32},  {&MEDIATYPE_Video, &kIndeo41},
    {&MEDIATYPE_Video, &kIndeo50},  {&MEDIATYPE_Video, &kMpeg4v2},  {&MEDIATYPE_Video, &kMpeg4v3},
    {&MEDIATYPE_Video, &kDivx3},    {&MEDIATYPE_Video, &kDivx},     {&MEDIATYPE_Video, &kDivx5},
    {&MEDIATYPE_Video, &kXvid},     {&MEDIATYPE_Video, &kFfmpeg4},  {&MEDIATYPE_Video, &kMsVideo1},
    {&MEDIATYPE_Video, &kMsRle},    {&MEDIATYPE_Video, &kHuffyuv},  {&MEDIATYPE_Video, &kH264},
    {&MEDIATYPE_Video, &kWmv1},     {&MEDIATYPE_Video, &kWmv2},     {&MEDIATYPE_Video, &MEDIASUBTYPE_MJPG}};
const REGPINTYPES kAsfVideoIn[] = {{&MEDIATYPE_AsfStream, &MEDIASUBTYPE_AsfVideoStream}};
const REGPINTYPES kAsfAudioIn[] = {{&MEDIATYPE_AsfStream, &MEDIASUBTYPE_AsfAudioStream}};

const DecoderKind kDvDecoder = {&CLSID_DVVideoCodec, u"DV Video Decoder", kDvIn, Count(kDvIn), true};
const DecoderKind kMpegVideoDecoder = {&CLSID_CMpegVideoCodec, u"MPEG Video Decoder", kMpegVideoIn,
                                       Count(kMpegVideoIn), false};
const DecoderKind kMpeg2Decoder = {&CLSID_LigosMPEG2Decoder, u"Ligos Decoder", kMpeg2VideoIn, Count(kMpeg2VideoIn),
                                   false};
const DecoderKind kMpegAudioDecoder = {&CLSID_CMpegAudioCodec, u"MPEG Audio Decoder", kMpegAudioIn,
                                       Count(kMpegAudioIn), false};
const DecoderKind kAviDecompressor = {&CLSID_AVIDec, u"AVI Decompressor", kAnyVideo, Count(kAnyVideo), false};
const DecoderKind kAviDraw = {&CLSID_AVIDraw, u"AVI Draw", kAnyVideo, Count(kAnyVideo), false};
const DecoderKind kRainbowRunner = {&CLSID_RainbowRunner, u"RainbowRunner Decoder", kMjpegIn, Count(kMjpegIn),
                                    false};
const DecoderKind kMjpegDecoder = {&CLSID_KestrelonMJPEGDecoder, u"Kestrelon MJPEG Decoder", kMjpegIn,
                                   Count(kMjpegIn), false};
const DecoderKind kIcmHandler = {&CLSID_ASFICMHandler, u"ICM Handler", kAsfVideoIn, Count(kAsfVideoIn), false};
const DecoderKind kAcmHandler = {&CLSID_ASFACMHandler, u"ACM Handler", kAsfAudioIn, Count(kAsfAudioIn), false};

template <const DecoderKind& kind> HRESULT CreateDecoder(REFIID riid, void** object)
{
    return CreateAvDecoder(kind, riid, object);
}

#define DECODER_RECORD(record, pins, input, output, merit)                                         \
    const REGFILTERPINS pins[] = {                                                                 \
        {u"In", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, Count(input), input},            \
        {u"Out", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, Count(output), output},          \
    };                                                                                             \
    const REGFILTER2 record = {1, merit, {{2, pins}}}

DECODER_RECORD(kDvRecord, kDvPins, kDvIn, kAnyVideo, MERIT_PREFERRED);
DECODER_RECORD(kMpegVideoRecord, kMpegVideoPins, kMpegVideoIn, kAnyVideo, MERIT_NORMAL);
DECODER_RECORD(kMpeg2Record, kMpeg2DecoderPins, kMpeg2VideoIn, kAnyVideo, MERIT_NORMAL);
DECODER_RECORD(kMpegAudioRecord, kMpegAudioPins, kMpegAudioIn, kPcm, MERIT_NORMAL);
DECODER_RECORD(kAviDecRecord, kAviDecPins, kIcmIn, kAnyVideo, MERIT_NORMAL - 1);
DECODER_RECORD(kMjpegRecord, kMjpegPins, kMjpegIn, kAnyVideo, MERIT_NORMAL);
DECODER_RECORD(kIcmRecord, kIcmPins, kAsfVideoIn, kAnyVideo, MERIT_NORMAL);
DECODER_RECORD(kAcmRecord, kAcmPins, kAsfAudioIn, kPcm, MERIT_NORMAL);

// The colour space converter and the audio renderers.
const REGPINTYPES kRgbOut[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32},
                               {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
                               {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB565},
                               {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB555}};
const REGPINTYPES kUncompressedIn[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}, {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
                                       {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB565}, {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB555},
                                       {&MEDIATYPE_Video, &MEDIASUBTYPE_UYVY},  {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2}};
DECODER_RECORD(kColourRecord, kColourPins, kUncompressedIn, kRgbOut, MERIT_UNLIKELY);

const REGFILTERPINS kAudioRendererPins[] = {
    {u"Audio Input pin (rendered)", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, Count(kPcm), kPcm},
};
const REGFILTER2 kDirectSoundRecord = {1, MERIT_PREFERRED, {{1, kAudioRendererPins}}};
const REGFILTER2 kWaveOutRecord = {1, MERIT_PREFERRED - 1, {{1, kAudioRendererPins}}};

} // namespace

const SystemFilter kPlaybackFilters[] = {
    // Takes anything, so it is never offered by type: callers add it by
    // class identifier.
    {&CLSID_NullRenderer, u"Null Renderer", MERIT_DO_NOT_USE, nullptr, &CreateNullRenderer},
    {&CLSID_AsyncReader, u"File Source (Async.)", MERIT_UNLIKELY, nullptr, &CreateAsyncSource},
    {&CLSID_AVIDoc, u"AVI-WAV File Source", MERIT_UNLIKELY, nullptr, &CreateSplitter<kAviWavSource>},
    {&CLSID_ASFReader, u"ASF File Source", MERIT_UNLIKELY, nullptr, &CreateSplitter<kAsfSource>},
    {&CLSID_AviSplitter, u"AVI Splitter", MERIT_NORMAL, &kAviSplitterRecord, &CreateSplitter<kAviSplitter>},
    {&CLSID_MPEG1Splitter, u"MPEG-I Stream Splitter", MERIT_NORMAL, &kMpeg1SplitterRecord,
     &CreateSplitter<kMpeg1Splitter>},
    {&CLSID_LigosMPEG2Splitter, u"Ligos MPEG-2 Splitter", MERIT_NORMAL, &kMpeg2SplitterRecord,
     &CreateSplitter<kMpeg2Splitter>},
    {&CLSID_QuickTimeParser, u"QuickTime Movie Parser", MERIT_NORMAL, &kQuickTimeRecord,
     &CreateSplitter<kQuickTimeParser>},
    {&CLSID_WAVEParser, u"Wave Parser", MERIT_NORMAL, &kWaveRecord, &CreateSplitter<kWaveParser>},
    {&CLSID_DVSplitter, u"DV Splitter", MERIT_NORMAL, &kDvSplitterRecord, &CreateDvSplitter},
    {&CLSID_DVVideoCodec, u"DV Video Decoder", MERIT_PREFERRED, &kDvRecord, &CreateDecoder<kDvDecoder>},
    {&CLSID_CMpegVideoCodec, u"MPEG Video Decoder", MERIT_NORMAL, &kMpegVideoRecord,
     &CreateDecoder<kMpegVideoDecoder>},
    {&CLSID_LigosMPEG2Decoder, u"Ligos Decoder", MERIT_NORMAL, &kMpeg2Record, &CreateDecoder<kMpeg2Decoder>},
    {&CLSID_CMpegAudioCodec, u"MPEG Audio Decoder", MERIT_NORMAL, &kMpegAudioRecord,
     &CreateDecoder<kMpegAudioDecoder>},
    {&CLSID_AVIDec, u"AVI Decompressor", MERIT_NORMAL - 1, &kAviDecRecord, &CreateDecoder<kAviDecompressor>},
    {&CLSID_AVIDraw, u"AVI Draw", MERIT_DO_NOT_USE, nullptr, &CreateDecoder<kAviDraw>},
    {&CLSID_RainbowRunner, u"RainbowRunner Decoder", MERIT_DO_NOT_USE, nullptr, &CreateDecoder<kRainbowRunner>},
    {&CLSID_KestrelonMJPEGDecoder, u"Kestrelon MJPEG Decoder", MERIT_NORMAL, &kMjpegRecord,
     &CreateDecoder<kMjpegDecoder>},
    {&CLSID_ASFICMHandler, u"ICM Handler", MERIT_NORMAL, &kIcmRecord, &CreateDecoder<kIcmHandler>},
    {&CLSID_ASFACMHandler, u"ACM Handler", MERIT_NORMAL, &kAcmRecord, &CreateDecoder<kAcmHandler>},
    {&CLSID_Colour, u"Color Space Converter", MERIT_UNLIKELY, &kColourRecord, &CreateColourConverter},
    {&CLSID_SmartTee, u"Smart Tee", MERIT_DO_NOT_USE, nullptr, &CreateSmartTee},
    {&CLSID_DSoundRender, u"Default DirectSound Device", MERIT_PREFERRED, &kDirectSoundRecord,
     &CreateDirectSoundRenderer},
    {&CLSID_AudioRender, u"Default WaveOut Device", MERIT_PREFERRED - 1, &kWaveOutRecord, &CreateWaveOutRenderer},
};
const size_t kPlaybackFilterCount = sizeof kPlaybackFilters / sizeof kPlaybackFilters[0];

} // namespace dshow
