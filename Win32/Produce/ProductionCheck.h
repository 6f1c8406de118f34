#pragma once
// Questions about a production before it starts.
// CheckStoryboardForProduction lists what would stop or spoil it: a range
// that starts or ends on a transition, a transition without a scene on one
// side, a missing media or audio file. EstimateProduction tells, without
// opening any media, how long the production runs, its audio format and
// byte rate, and how many frames it has.

#include <vector>

#include "Platform/Win/Base/WaveFormat.h"
#include "Platform/Win/Base/WinTypes.h"
#include "Win32/Utils/MediaTime.h"

class Storyboard;
class Scene;
class AudioClip;
class CProductionSettings;

struct CProductionProblem {
    // A file is missing.
    static constexpr int kMissingFile = 4;
    // A transition without a scene before or after it.
    static constexpr int kLoneTransition = 5;
    // The range starts or ends on a transition.
    static constexpr int kRangeOnTransition = 6;

    static constexpr int kSeverityError = 0;
    static constexpr int kSeverityMissingFile = 1;

    int m_nSeverity = 0;
    int m_nSlot = 0;
    int m_nCode = 0;
};

struct CProductionCheck {
    // Appends a problem for a slot inside [first, last]; nothing otherwise.
    void AddProblem(int severity, int slot, int code);
    bool IsInRange(int slot) const { return m_nFirst <= slot && slot <= m_nLast; }

    // 1: only the slots first..last are examined.
    int m_bSelection = 0;
    int m_nFirst = 0;
    int m_nLast = 0;
    int m_nFlag = 1;
    std::vector<CProductionProblem> m_Problems;
};

// True when nothing stands in the way; also stored as the settings'
// production-ok flag.
bool CheckStoryboardForProduction(const Storyboard& storyboard, CProductionSettings& settings,
                                  CProductionCheck& check);

// The number of frames (also in *frames); the duration, the merged audio
// format and the largest audio bytes per second go to the other outputs.
LONGLONG EstimateProduction(const Storyboard& storyboard, const CProductionSettings& settings, int first, int last,
                            CMediaTime* duration, WAVEFORMATEX* format, DWORD* bytesPerSecond, LONGLONG* frames);

// The clip a scene's enabled audio track plays in a production: the last
// of its list (the program keeps one per track); null for a track that is
// off or empty.
AudioClip* GetTrackClip(const Scene& scene, int track);

// Widens `*format` (MergeWaveFormats) by the formats of the clips of the
// scene's enabled audio tracks; `*bytesPerSecond`, when given, rises to
// each merged byte rate.
void WidenFormatForClips(const Scene& scene, WAVEFORMATEX* format, DWORD* bytesPerSecond);
