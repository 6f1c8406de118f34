#include "Win32/Produce/ProfiledWriter.h"

#include "Platform/Outside/Ipl/Ipl.h"
#include "Win32/Imaging/IplImage.h"

int ProfiledWriter::SetFrameSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return kWriterBadWidth;
    m_nWidth = width;
    m_nHeight = height;
    return kWriterOk;
}

void ProfiledWriter::SetAudioIndex(int)
{
    m_bNoAudio = 0;
    m_wfAudio = PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, 44100, 176400, 4}, 16};
    m_bAudioFormatLocked = 1;
    m_bAudioFormatSet = 1;
}

int ProfiledWriter::SetAudioFormat(PCMWAVEFORMAT)
{
    m_bAudioFormatSet = 1;
    return kWriterOk;
}

int ProfiledWriter::HandleNotify(long)
{
    return 1;
}

void ProfiledWriter::TakeProfileFrame(const INT32* record)
{
    m_nWidth = record[4];
    m_nHeight = record[5];
    if (record[6] > 0)
        m_nFrameTime = static_cast<DWORD>(record[6]);
    SetAudioIndex(2);
}

const CIplImage* ImageOfSize(const CIplImage* image, int width, int height, std::unique_ptr<CIplImage>& scaled)
{
    const IplImage* picture = image->GetImage();
    if (picture != nullptr && picture->width == width && picture->height == height)
        return image;
    scaled.reset(image->CreateResized(width, height));
    return scaled.get();
}
