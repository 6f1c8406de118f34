#pragma once
// Media files for the playback filters' tests, made at test time with
// FFmpeg's encoders: video frames of flat grey levels that tell the frame
// number (level 40 + 8 * n), a 440 Hz tone, in the containers the
// splitters read; and a type-1 DV AVI ('iavs') written by hand around DV
// frames that carry their sound.

#include <string>

namespace playback_test {

struct Clip {
    const char* container = "avi"; // FFmpeg's muxer
    const char* video = nullptr;     // encoder, null: none
    const char* pixels = "yuv420p";
    unsigned codecTag = 0;           // FOURCC written for the video, 0: the muxer's
    int width = 320;
    int height = 240;
    int rateNum = 25;
    int rateDen = 1;
    int frames = 10;
    const char* audio = nullptr;     // encoder, null: none
    int sampleRate = 48000;
    int channels = 2;
    // Nonzero: the luma carries a fine pattern of this seed over the grey
    // level, different in every frame, so that no two clips or frames
    // encode alike and a decoded frame does not encode back to its bytes.
    int texture = 0;
    // The top quarter of the picture tells the frame number in eight bars,
    // the lowest bit on the left: white for a set bit, black for a clear
    // one; it survives any codec and any scaling.
    bool numbered = false;
    // The sound is silence with a click (four samples at 0.7 of full scale)
    // at the start of every whole second, instead of the tone.
    bool clicks = false;
};

bool WriteClip(const std::string& path, const Clip& clip);

// A DV clip: NTSC 720x480 (or PAL 720x576) with 48 kHz stereo, `frames`
// frames. Type 2: 'vids' dvsd + 'auds' PCM through FFmpeg's AVI muxer;
// type 1: one 'iavs' stream of DIF frames with the sound inside.
bool WriteDvAvi(const std::string& path, int type, int frames, bool pal = false);

// The clip WriteDvAvi writes, to be changed before WriteDvAvi writes it.
Clip DvClip(int frames, bool pal);
bool WriteDvAvi(const std::string& path, int type, const Clip& clip);

// A type-2 DV clip as WriteDvAvi makes, of textured frames (Clip::texture).
bool WriteTexturedDvAvi(const std::string& path, int frames, bool pal, int texture);

// The frame number the bars of a numbered clip tell, from the luma (or
// the grey) `at` returns for a point of the picture given as fractions of
// its width and height; -1 when a bar is neither clearly white nor black.
template <typename Luma> int ReadFrameNumber(Luma at)
{
    int number = 0;
    for (int bit = 0; bit < 8; ++bit) {
        const int level = at((bit + 0.5) / 8.0, 0.125);
        if (level > 150)
            number |= 1 << bit;
        else if (level > 90)
            return -1;
    }
    return number;
}

// The grey level frame n of the fixtures is drawn with.
inline int LevelOf(int frame) { return 40 + 8 * frame; }

} // namespace playback_test
