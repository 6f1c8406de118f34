#pragma once
// CAudioMixer: the base of the production's audio mixer: whether it can
// mix, and whether it mixes into the output format it was given.

#include "Platform/Win/Base/WinTypes.h"

class CAudioMixer {
public:
    CAudioMixer() = default;
    virtual ~CAudioMixer() = default;

    CAudioMixer(const CAudioMixer&) = delete;
    CAudioMixer& operator=(const CAudioMixer&) = delete;

    bool m_bReady = false;
    bool m_bUseOutputFormat = false;
};
