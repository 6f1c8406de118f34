#include "Platform/DShow/Filters/Av/AvMediaTypes.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

namespace dshow {
namespace {

constexpr WORD kWaveFormatMpeg = 0x50;
constexpr WORD kWaveFormatMp3 = 0x55;
constexpr WORD kWaveFormatAc3 = 0x2000;
constexpr WORD kWaveFormatFloat = 3;

DWORD Tag(char a, char b, char c, char d)
{
    return static_cast<DWORD>(static_cast<BYTE>(a)) | static_cast<DWORD>(static_cast<BYTE>(b)) << 8 |
           static_cast<DWORD>(static_cast<BYTE>(c)) << 16 | static_cast<DWORD>(static_cast<BYTE>(d)) << 24;
}

bool IsFourccSubtype(const GUID& subtype)
{
    static const GUID base = FourccSubtype(0);
    return std::memcmp(&subtype.Data2, &base.Data2, sizeof(GUID) - sizeof(DWORD)) == 0;
}

REFERENCE_TIME FrameDuration(const AVStream& stream)
{
    AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        return 0;
    return av_rescale(UNITS, rate.den, rate.num);
}

void FillBitmap(BITMAPINFOHEADER& bitmap, const AVCodecParameters& codec, DWORD compression, DWORD extra)
{
    bitmap.biSize = sizeof(BITMAPINFOHEADER) + extra;
    bitmap.biWidth = codec.width;
    bitmap.biHeight = codec.height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = static_cast<WORD>(codec.bits_per_coded_sample > 0 ? codec.bits_per_coded_sample : 24);
    bitmap.biCompression = compression;
}

bool VideoInfoType(const AVStream& stream, CMediaType& type, const GUID& major, const GUID& subtype,
                   DWORD compression, bool withExtradata)
{
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.width <= 0 || codec.height <= 0)
        return false;
    DWORD extra = withExtradata && codec.extradata ? static_cast<DWORD>(codec.extradata_size) : 0;
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER) + extra));
    if (!info)
        return false;
    std::memset(info, 0, sizeof(VIDEOINFOHEADER) + extra);
    info->AvgTimePerFrame = FrameDuration(stream);
    info->dwBitRate = static_cast<DWORD>(codec.bit_rate);
    FillBitmap(info->bmiHeader, codec, compression, extra);
    if (codec.codec_id == AV_CODEC_ID_DVVIDEO)
        info->bmiHeader.biSizeImage = codec.height > 480 ? 144000 : 120000;
    if (extra)
        std::memcpy(reinterpret_cast<BYTE*>(info) + sizeof(VIDEOINFOHEADER), codec.extradata, extra);
    type.SetType(&major);
    type.SetSubtype(&subtype);
    type.SetFormatType(&FORMAT_VideoInfo);
    type.SetTemporalCompression(codec.codec_id != AV_CODEC_ID_DVVIDEO && codec.codec_id != AV_CODEC_ID_MJPEG &&
                                codec.codec_id != AV_CODEC_ID_RAWVIDEO);
    if (info->bmiHeader.biSizeImage)
        type.SetSampleSize(info->bmiHeader.biSizeImage);
    else
        type.SetVariableSize();
    return true;
}

bool MpegVideoType(const AVStream& stream, CMediaType& type, bool mpeg2)
{
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.width <= 0 || codec.height <= 0)
        return false;
    DWORD header = codec.extradata ? static_cast<DWORD>(codec.extradata_size) : 0;
    if (!mpeg2) {
        ULONG size = offsetof(MPEG1VIDEOINFO, bSequenceHeader) + header;
        auto* info = reinterpret_cast<MPEG1VIDEOINFO*>(type.AllocFormatBuffer(size));
        if (!info)
            return false;
        std::memset(info, 0, size);
        info->hdr.AvgTimePerFrame = FrameDuration(stream);
        info->hdr.dwBitRate = static_cast<DWORD>(codec.bit_rate);
        FillBitmap(info->hdr.bmiHeader, codec, 0, 0);
        info->cbSequenceHeader = header;
        if (header)
            std::memcpy(info->bSequenceHeader, codec.extradata, header);
        type.SetSubtype(&MEDIASUBTYPE_MPEG1Payload);
        type.SetFormatType(&FORMAT_MPEGVideo);
    } else {
        ULONG size = offsetof(MPEG2VIDEOINFO, dwSequenceHeader) + header;
        auto* info = reinterpret_cast<MPEG2VIDEOINFO*>(type.AllocFormatBuffer(size));
        if (!info)
            return false;
        std::memset(info, 0, size);
        info->hdr.AvgTimePerFrame = FrameDuration(stream);
        info->hdr.dwBitRate = static_cast<DWORD>(codec.bit_rate);
        info->hdr.dwPictAspectRatioX = 4;
        info->hdr.dwPictAspectRatioY = 3;
        FillBitmap(info->hdr.bmiHeader, codec, 0, 0);
        info->cbSequenceHeader = header;
        if (header)
            std::memcpy(info->dwSequenceHeader, codec.extradata, header);
        type.SetSubtype(&MEDIASUBTYPE_MPEG2_VIDEO);
        type.SetFormatType(&FORMAT_MPEG2Video);
    }
    type.SetType(&MEDIATYPE_Video);
    type.SetTemporalCompression(TRUE);
    type.SetVariableSize();
    return true;
}

WORD WaveTagOf(const AVCodecParameters& codec)
{
    switch (codec.codec_id) {
    case AV_CODEC_ID_PCM_S16LE:
    case AV_CODEC_ID_PCM_U8:
    case AV_CODEC_ID_PCM_S24LE:
    case AV_CODEC_ID_PCM_S32LE:
        return WAVE_FORMAT_PCM;
    case AV_CODEC_ID_PCM_F32LE:
        return kWaveFormatFloat;
    case AV_CODEC_ID_MP1:
    case AV_CODEC_ID_MP2:
        return kWaveFormatMpeg;
    case AV_CODEC_ID_MP3:
        return kWaveFormatMp3;
    case AV_CODEC_ID_AC3:
        return kWaveFormatAc3;
    default:
        break;
    }
    if (codec.codec_tag && codec.codec_tag <= 0xFFFF)
        return static_cast<WORD>(codec.codec_tag);
    const AVCodecTag* tables[] = {avformat_get_riff_audio_tags(), nullptr};
    return static_cast<WORD>(av_codec_get_tag(tables, codec.codec_id));
}

bool WaveType(const AVStream& stream, CMediaType& type, const GUID& major, const GUID* subtype)
{
    const AVCodecParameters& codec = *stream.codecpar;
    int channels = codec.ch_layout.nb_channels;
    if (codec.sample_rate <= 0 || channels <= 0)
        return false;
    WORD tag = WaveTagOf(codec);
    if (tag == 0)
        return false;
    DWORD extra = codec.extradata && tag != WAVE_FORMAT_PCM ? static_cast<DWORD>(codec.extradata_size) : 0;
    auto* format = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormatBuffer(sizeof(WAVEFORMATEX) + extra));
    if (!format)
        return false;
    std::memset(format, 0, sizeof(WAVEFORMATEX) + extra);
    format->wFormatTag = tag;
    format->nChannels = static_cast<WORD>(channels);
    format->nSamplesPerSec = static_cast<DWORD>(codec.sample_rate);
    int bits = codec.bits_per_coded_sample;
    if (tag == WAVE_FORMAT_PCM || tag == kWaveFormatFloat) {
        format->wBitsPerSample = static_cast<WORD>(bits > 0 ? bits : 16);
        format->nBlockAlign = static_cast<WORD>(channels * format->wBitsPerSample / 8);
        format->nAvgBytesPerSec = format->nSamplesPerSec * format->nBlockAlign;
        type.SetSampleSize(format->nBlockAlign);
    } else {
        format->wBitsPerSample = static_cast<WORD>(bits > 0 ? bits : 0);
        format->nBlockAlign = static_cast<WORD>(codec.block_align > 0 ? codec.block_align : 1);
        format->nAvgBytesPerSec = static_cast<DWORD>(codec.bit_rate / 8);
        type.SetVariableSize();
    }
    format->cbSize = static_cast<WORD>(extra);
    if (extra)
        std::memcpy(reinterpret_cast<BYTE*>(format) + sizeof(WAVEFORMATEX), codec.extradata, extra);
    GUID chosen = subtype ? *subtype : tag == WAVE_FORMAT_PCM ? MEDIASUBTYPE_PCM : FourccSubtype(tag);
    type.SetType(&major);
    type.SetSubtype(&chosen);
    type.SetFormatType(&FORMAT_WaveFormatEx);
    return true;
}

// The ICM code of the stream's codec: its own code in an AVI, the AVI
// code of the codec for a QuickTime stream (whose codes are QuickTime's).
DWORD VideoTagOf(const AVCodecParameters& codec, StreamFlavour flavour)
{
    if (flavour == StreamFlavour::QuickTime) {
        const AVCodecTag* tables[] = {avformat_get_riff_video_tags(), nullptr};
        if (unsigned tag = av_codec_get_tag(tables, codec.codec_id))
            return tag;
    }
    if (codec.codec_tag)
        return codec.codec_tag;
    if (codec.codec_id == AV_CODEC_ID_DVVIDEO)
        return Tag('d', 'v', 's', 'd');
    const AVCodecTag* tables[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_tag(tables, codec.codec_id);
}

} // namespace

GUID FourccSubtype(DWORD code)
{
    GUID guid = MEDIASUBTYPE_PCM;
    guid.Data1 = code;
    return guid;
}

REFERENCE_TIME ToReferenceTime(int64_t value, AVRational base) { return av_rescale_q(value, base, {1, UNITS}); }

bool MediaTypeForStream(const AVStream& stream, StreamFlavour flavour, CMediaType& type)
{
    const AVCodecParameters& codec = *stream.codecpar;
    type.InitMediaType();
    if (codec.codec_type == AVMEDIA_TYPE_VIDEO) {
        if (stream.disposition & AV_DISPOSITION_ATTACHED_PIC)
            return false;
        if (flavour == StreamFlavour::Mpeg1 || flavour == StreamFlavour::Mpeg2) {
            if (codec.codec_id == AV_CODEC_ID_MPEG1VIDEO)
                return MpegVideoType(stream, type, false);
            if (codec.codec_id == AV_CODEC_ID_MPEG2VIDEO)
                return MpegVideoType(stream, type, true);
            return false;
        }
        if (flavour == StreamFlavour::Wave)
            return false;
        DWORD tag = VideoTagOf(codec, flavour);
        if (flavour == StreamFlavour::Asf)
            return tag && VideoInfoType(stream, type, MEDIATYPE_AsfStream, MEDIASUBTYPE_AsfVideoStream, tag, true);
        if (codec.codec_id == AV_CODEC_ID_RAWVIDEO && (tag == 0 || tag == Tag('D', 'I', 'B', ' '))) {
            int bits = codec.bits_per_coded_sample;
            if (bits != 24 && bits != 32)
                return false;
            if (!VideoInfoType(stream, type, MEDIATYPE_Video, bits == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB32,
                               0, false))
                return false;
            auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.Format());
            info->bmiHeader.biSizeImage = static_cast<DWORD>(((codec.width * bits / 8 + 3) & ~3) * codec.height);
            type.SetSampleSize(info->bmiHeader.biSizeImage);
            return true;
        }
        if (!tag)
            return false;
        return VideoInfoType(stream, type, MEDIATYPE_Video, FourccSubtype(tag), tag,
                             codec.codec_id != AV_CODEC_ID_DVVIDEO);
    }
    if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
        if (flavour == StreamFlavour::Asf)
            return WaveType(stream, type, MEDIATYPE_AsfStream, &MEDIASUBTYPE_AsfAudioStream);
        if (codec.codec_id == AV_CODEC_ID_MP1 || codec.codec_id == AV_CODEC_ID_MP2)
            return WaveType(stream, type, MEDIATYPE_Audio, &MEDIASUBTYPE_MPEG1AudioPayload);
        if (codec.codec_id == AV_CODEC_ID_MP3)
            return WaveType(stream, type, MEDIATYPE_Audio, &MEDIASUBTYPE_MPEGLAYER3);
        if (codec.codec_id == AV_CODEC_ID_AC3)
            return WaveType(stream, type, MEDIATYPE_Audio, &MEDIASUBTYPE_DOLBY_AC3);
        return WaveType(stream, type, MEDIATYPE_Audio, nullptr);
    }
    return false;
}

const BITMAPINFOHEADER* BitmapHeaderOf(const CMediaType& type)
{
    const GUID& format = *type.FormatType();
    if ((format == FORMAT_VideoInfo || format == FORMAT_MPEGVideo) && type.FormatLength() >= sizeof(VIDEOINFOHEADER))
        return &reinterpret_cast<const VIDEOINFOHEADER*>(type.Format())->bmiHeader;
    if ((format == FORMAT_VideoInfo2 || format == FORMAT_MPEG2Video) &&
        type.FormatLength() >= sizeof(VIDEOINFOHEADER2))
        return &reinterpret_cast<const VIDEOINFOHEADER2*>(type.Format())->bmiHeader;
    return nullptr;
}

REFERENCE_TIME FrameDurationOf(const CMediaType& type)
{
    if (!BitmapHeaderOf(type))
        return 0;
    // AvgTimePerFrame sits at the same offset in every video format block.
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.Format())->AvgTimePerFrame;
}

bool CodecForMediaType(const CMediaType& type, AVCodecParameters& parameters)
{
    const GUID& major = *type.Type();
    const GUID& subtype = *type.Subtype();
    bool video = major == MEDIATYPE_Video || (major == MEDIATYPE_AsfStream && subtype == MEDIASUBTYPE_AsfVideoStream);
    bool audio = major == MEDIATYPE_Audio || (major == MEDIATYPE_AsfStream && subtype == MEDIASUBTYPE_AsfAudioStream);
    if (video) {
        const BITMAPINFOHEADER* bitmap = BitmapHeaderOf(type);
        if (!bitmap || bitmap->biWidth <= 0 || bitmap->biWidth > 16384 || bitmap->biHeight == 0 ||
            std::abs(bitmap->biHeight) > 16384)
            return false;
        AVCodecID id = AV_CODEC_ID_NONE;
        const BYTE* extra = nullptr;
        size_t extraSize = 0;
        if (subtype == MEDIASUBTYPE_MPEG1Payload || subtype == MEDIASUBTYPE_MPEG1Packet ||
            subtype == MEDIASUBTYPE_MPEG1Video) {
            id = AV_CODEC_ID_MPEG1VIDEO;
        } else if (subtype == MEDIASUBTYPE_MPEG2_VIDEO) {
            id = AV_CODEC_ID_MPEG2VIDEO;
        } else if (subtype == MEDIASUBTYPE_dvsd || subtype == MEDIASUBTYPE_DVSD || subtype == MEDIASUBTYPE_dvsl ||
                   subtype == MEDIASUBTYPE_dvhd) {
            id = AV_CODEC_ID_DVVIDEO;
        } else if (subtype == MEDIASUBTYPE_MJPG || subtype == MEDIASUBTYPE_dmb1) {
            id = AV_CODEC_ID_MJPEG;
        } else if (IsFourccSubtype(subtype) || major == MEDIATYPE_AsfStream) {
            const AVCodecTag* tables[] = {avformat_get_riff_video_tags(), avformat_get_mov_video_tags(), nullptr};
            id = av_codec_get_id(tables, bitmap->biCompression);
            if (bitmap->biSize > sizeof(BITMAPINFOHEADER) &&
                type.FormatLength() >= sizeof(VIDEOINFOHEADER) - sizeof(BITMAPINFOHEADER) + bitmap->biSize) {
                extra = reinterpret_cast<const BYTE*>(bitmap) + sizeof(BITMAPINFOHEADER);
                extraSize = bitmap->biSize - sizeof(BITMAPINFOHEADER);
            }
        }
        if (id == AV_CODEC_ID_NONE || id == AV_CODEC_ID_RAWVIDEO)
            return false;
        parameters.codec_type = AVMEDIA_TYPE_VIDEO;
        parameters.codec_id = id;
        parameters.codec_tag = bitmap->biCompression;
        parameters.width = bitmap->biWidth;
        parameters.height = std::abs(bitmap->biHeight);
        if (extraSize) {
            parameters.extradata = static_cast<uint8_t*>(av_mallocz(extraSize + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!parameters.extradata)
                return false;
            std::memcpy(parameters.extradata, extra, extraSize);
            parameters.extradata_size = static_cast<int>(extraSize);
        }
        return true;
    }
    if (audio) {
        if (*type.FormatType() != FORMAT_WaveFormatEx || type.FormatLength() < sizeof(WAVEFORMAT))
            return false;
        WAVEFORMATEX format{};
        std::memcpy(&format, type.Format(), std::min<size_t>(type.FormatLength(), sizeof format));
        if (type.FormatLength() < sizeof(WAVEFORMATEX))
            format.cbSize = 0;
        if (format.nChannels == 0 || format.nChannels > 8 || format.nSamplesPerSec == 0 ||
            format.nSamplesPerSec > 192000)
            return false;
        AVCodecID id = AV_CODEC_ID_NONE;
        if (subtype == MEDIASUBTYPE_MPEG1AudioPayload || subtype == MEDIASUBTYPE_MPEG1Packet ||
            subtype == MEDIASUBTYPE_MPEG1Audio || format.wFormatTag == kWaveFormatMpeg)
            id = AV_CODEC_ID_MP2;
        else if (subtype == MEDIASUBTYPE_MPEGLAYER3 || format.wFormatTag == kWaveFormatMp3)
            id = AV_CODEC_ID_MP3;
        else if (subtype == MEDIASUBTYPE_DOLBY_AC3 || format.wFormatTag == kWaveFormatAc3)
            id = AV_CODEC_ID_AC3;
        else if (format.wFormatTag != WAVE_FORMAT_PCM && format.wFormatTag != kWaveFormatFloat) {
            const AVCodecTag* tables[] = {avformat_get_riff_audio_tags(), nullptr};
            id = av_codec_get_id(tables, format.wFormatTag);
        }
        if (id == AV_CODEC_ID_NONE)
            return false;
        parameters.codec_type = AVMEDIA_TYPE_AUDIO;
        parameters.codec_id = id;
        parameters.codec_tag = format.wFormatTag;
        parameters.sample_rate = static_cast<int>(format.nSamplesPerSec);
        av_channel_layout_default(&parameters.ch_layout, format.nChannels);
        parameters.block_align = format.nBlockAlign;
        parameters.bit_rate = static_cast<int64_t>(format.nAvgBytesPerSec) * 8;
        parameters.bits_per_coded_sample = format.wBitsPerSample;
        size_t extraSize = std::min<size_t>(format.cbSize, type.FormatLength() - std::min<size_t>(
                                                                                     type.FormatLength(),
                                                                                     sizeof(WAVEFORMATEX)));
        if (extraSize && id != AV_CODEC_ID_MP2 && id != AV_CODEC_ID_MP3) {
            parameters.extradata = static_cast<uint8_t*>(av_mallocz(extraSize + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!parameters.extradata)
                return false;
            std::memcpy(parameters.extradata, type.Format() + sizeof(WAVEFORMATEX), extraSize);
            parameters.extradata_size = static_cast<int>(extraSize);
        }
        return true;
    }
    return false;
}

void MakePcmType(CMediaType& type, int sampleRate, int channels, int bits)
{
    type.InitMediaType();
    auto* format = reinterpret_cast<WAVEFORMATEX*>(type.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    std::memset(format, 0, sizeof(WAVEFORMATEX));
    format->wFormatTag = WAVE_FORMAT_PCM;
    format->nChannels = static_cast<WORD>(channels);
    format->nSamplesPerSec = static_cast<DWORD>(sampleRate);
    format->wBitsPerSample = static_cast<WORD>(bits);
    format->nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format->nAvgBytesPerSec = format->nSamplesPerSec * format->nBlockAlign;
    type.SetType(&MEDIATYPE_Audio);
    type.SetSubtype(&MEDIASUBTYPE_PCM);
    type.SetFormatType(&FORMAT_WaveFormatEx);
    type.SetSampleSize(format->nBlockAlign);
}

} // namespace dshow
