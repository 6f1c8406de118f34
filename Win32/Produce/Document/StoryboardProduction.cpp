#include "Win32/Produce/Document/StoryboardProduction.h"

#include <algorithm>
#include <climits>
#include <new>

#include "Win32/Produce/Producer.h"
#include "Win32/Produce/ProductionCheck.h"

namespace {

// One production run: the document's Prepare and Produce on a CProducer.
class CStoryboardProducer : public CDocProducer {
public:
    CStoryboardProducer(Storyboard& storyboard, CProductionSettings& settings, CProductionDisplay* display)
        : m_producer(&storyboard, &settings, display)
    {
    }
    // The document has already chosen the range: the selection when the
    // settings ask for it, else the whole storyboard.
    INT Prepare(INT, INT, INT first, INT last) override { return m_producer.Prepare(first, last); }
    INT Produce(CString& outputName) override { return m_producer.Produce(outputName); }

private:
    CProducer m_producer;
};

} // namespace

CDocProducer* CStoryboardProduction::CreateProducer(Storyboard& storyboard, CProductionSettings& settings)
{
    return new (std::nothrow) CStoryboardProducer(storyboard, settings, m_pDisplay);
}

INT CStoryboardProduction::EstimateProduction(Storyboard& storyboard, CProductionSettings& settings, INT first,
                                              INT last, double* seconds, INT* frames, DWORD* audioBytesPerSecond,
                                              WAVEFORMATEX* audioFormat)
{
    CMediaTime duration;
    WAVEFORMATEX format{};
    DWORD bytesPerSecond = 0;
    LONGLONG count = 0;
    ::EstimateProduction(storyboard, settings, first, last, &duration, &format, &bytesPerSecond, &count);
    const INT frameCount = static_cast<INT>(std::clamp<LONGLONG>(count, 0, INT_MAX));
    if (seconds != nullptr)
        *seconds = duration.GetSeconds();
    if (frames != nullptr)
        *frames = frameCount;
    if (audioBytesPerSecond != nullptr)
        *audioBytesPerSecond = bytesPerSecond;
    if (audioFormat != nullptr)
        *audioFormat = format;
    return frameCount;
}

void CStoryboardProduction::Install()
{
    static CStoryboardProduction production;
    CDocProduction::Set(&production);
}
