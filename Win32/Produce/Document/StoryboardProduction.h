#pragma once
// CStoryboardProduction: this subsystem's producer and estimate, offered to
// the storyboard document, which cannot reach them itself (it sits below).
// The program installs one when it starts; the document's Produce then
// writes the storyboard through a CProducer, and its estimate comes from
// EstimateProduction.

#include "Win32/Sb/Document/SBDocHost.h"

class CProductionDisplay;

class CStoryboardProduction : public CDocProduction {
public:
    // `display` (the preview area; null: none) shows each production's
    // progress and stays the caller's.
    explicit CStoryboardProduction(CProductionDisplay* display = nullptr) : m_pDisplay(display) {}

    CDocProducer* CreateProducer(Storyboard& storyboard, CProductionSettings& settings) override;
    INT EstimateProduction(Storyboard& storyboard, CProductionSettings& settings, INT first, INT last, double* seconds,
                           INT* frames, DWORD* audioBytesPerSecond, WAVEFORMATEX* audioFormat) override;

    // Makes the program's one production (without a display) the
    // document's.
    static void Install();

private:
    CProductionDisplay* m_pDisplay;
};
