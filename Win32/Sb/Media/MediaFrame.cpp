#include "Win32/Sb/Media/MediaFrame.h"

#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/Media/WaveBuffer.h"

MediaFrame::~MediaFrame()
{
    delete m_pAudio;
    delete m_pImage;
}
