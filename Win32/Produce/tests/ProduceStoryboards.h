#pragma once
// Storyboards of real scenes and transitions for the producer's tests,
// written one token per slot: "C5" a colour scene of 5 s, "D1" a dissolve
// with 1 s overlap, "W1" a wipe, "M" a scene of a media file that does not
// exist, "_" an empty slot.

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "Win32/Sb/Document/AudioClipList.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Sb/Document/Scene.h"
#include "Win32/Sb/Document/SceneAudio.h"
#include "Win32/Sb/Document/Storyboard.h"
#include "Win32/Sb/Document/Transition.h"
#include "Win32/Sb/Document/TransitionEffect.h"
#include "Win32/Sb/Document/TransitionParams.h"

// An AVI output of `width` x `height` at `frameTime` microseconds to
// `target`, 24 bits a pixel through `handler` ('DIB ' for uncompressed).
inline void SetAviOutput(ProductionParams& params, const std::string& target, FOURCC handler, int width, int height,
                         int frameTime)
{
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = 1;
    params.m_nWidth = width;
    params.m_nHeight = height;
    params.m_nFrameMicroseconds = frameTime;
    params.m_wBitsPerPixel = 24;
    params.m_Compress.fccType = mmioFOURCC('v', 'i', 'd', 's');
    params.m_Compress.fccHandler = handler;
    params.m_Compress.dwQuality = 9000;
    params.m_Compress.dwKeyFrameEvery = 1;
    params.m_Compress.dwFlags = AVICOMPRESSF_VALID;
}

// A DV AVI output of the system to `target` (720 x 576 at 25 frames a
// second, or 720 x 480 at 29.97) with DV sound of `audioCode` (3: 48 kHz).
inline void SetDvOutput(ProductionParams& params, const std::string& target, bool pal, int audioCode)
{
    std::strncpy(params.m_szOutputPath, target.c_str(), sizeof params.m_szOutputPath - 1);
    params.m_nOutputType = 3;
    params.m_nWidth = 720;
    params.m_nHeight = pal ? 576 : 480;
    params.m_nFrameMicroseconds = pal ? 40000 : 33366;
    params.m_wBitsPerPixel = 24;
    params.m_Compress.fccType = mmioFOURCC('v', 'i', 'd', 's');
    params.m_Compress.fccHandler = mmioFOURCC('d', 'v', 's', 'd');
    params.m_nDvAudioIndex = audioCode;
}

// The MPEG words as a new MPEG template has them: GOP 12, two B pictures,
// NTSC, stereo MP2 at 64 kb/s a channel, 44.1 kHz.
inline void MpegDefaults(ProductionParams& params)
{
    params.m_nMpegWidth = 352;
    params.m_nMpegHeight = 240;
    params.m_nMpegGop = 12;
    params.m_nMpegAnchor = 3;
    params.m_nMpegFormat = 0;
    params.m_nMpegRateCode = 4;
    params.m_nMpegBitRate = 1843200;
    params.m_nMpegEncoder[0] = 20;
    params.m_nMpegEncoder[1] = 4;
    params.m_nMpegEncoder[2] = 8;
    params.m_nMpegEncoder[3] = 12;
    params.m_nAudioOptions[0] = 2;
    params.m_nAudioOptions[2] = 1;
    params.m_nAudioOptions[3] = 3;
    params.m_nAudioOptions[4] = 44100;
    params.m_nAudioFlags[0] = 1;
    params.m_nWriterValues[3] = 2147483647;
}

inline CMediaTime Seconds(double seconds)
{
    CMediaTime time;
    time.SetSeconds(seconds);
    return time;
}

inline Scene* MakeColourScene(double seconds, COLORREF colour = RGB(200, 40, 40))
{
    auto* scene = new Scene(colour);
    scene->SetDuration(Seconds(seconds));
    return scene;
}

// Catalogue row 1 dissolves; row 2 wipes.
inline Transition* MakeTransition(int row, double overlap)
{
    TransitionEffect* effect = TransitionCatalog::Create(row);
    effect->SetOverlapDuration(static_cast<float>(overlap));
    return new Transition(effect);
}

inline std::unique_ptr<Storyboard> ProduceStoryboard(std::string_view layout)
{
    auto storyboard = std::make_unique<Storyboard>();
    std::istringstream tokens{std::string(layout)};
    std::string token;
    for (INT slot = 0; tokens >> token; ++slot) {
        const double value = token.size() > 1 ? std::stod(token.substr(1)) : 0.0;
        StoryboardItem* item = nullptr;
        switch (token[0]) {
        case 'C': item = MakeColourScene(value, RGB(40 * (slot % 6), 200, 255 - 40 * (slot % 6))); break;
        case 'D': item = MakeTransition(1, value); break;
        case 'W': item = MakeTransition(2, value); break;
        case 'M': item = new Scene("/nonexistent-kestrelon-media/missing.avi"); break;
        default: break;
        }
        if (item != nullptr)
            storyboard->SetItem(item, slot);
    }
    storyboard->RecomputeTimes();
    return storyboard;
}

// Puts the sound file `path` on the first audio track of the scene in
// `slot`; whether the track holds it.
inline bool AttachSound(Storyboard& storyboard, INT slot, const char* path)
{
    auto* scene = static_cast<Scene*>(storyboard.GetItem(slot));
    AudioClipList list;
    if (scene == nullptr || list.AddFile(path, nullptr, nullptr) == nullptr)
        return false;
    scene->GetAudio()->SetTrack(0, &list);
    scene->GetAudio()->SetTrackFlag(0, 1);
    return scene->GetAudio()->GetTrackCount() == 1;
}
