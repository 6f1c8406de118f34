#pragma once
// Fakes around the producer: a writer that records what it is handed, a
// display that records what it is shown, and shell services that answer
// message boxes from a script.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Win/User/MessageBox.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Produce/MediaWriter.h"
#include "Win32/Produce/Producer.h"
#include "Win32/Produce/tests/ProduceStoryboards.h"
#include "Win32/Sb/Document/ProductionSettings.h"
#include "Win32/Produce/ProductionDisplay.h"
#include "Win32/Sb/Document/ShellServices.h"
#include "Win32/Sb/Media/MediaFrame.h"
#include "Win32/Sb/Media/WaveBuffer.h"

struct WrittenFrame {
    int smart;
    bool image;
    bool audio;
    DWORD audioBytes;
    // The picture's first pixel, blue green red.
    DWORD pixel;
};

class RecordingWriter : public MediaWriter {
public:
    RecordingWriter(int width, int height, DWORD frameTime, int outputType = 1)
    {
        m_nWidth = width;
        m_nHeight = height;
        m_nFrameTime = frameTime;
        m_nOutputType = outputType;
        SetDefaultAudioFormat();
        SetOutputName("/tmp/kestrelon-producer-test.avi");
    }

    int Write(MediaFrame& frame, int smart) override
    {
        WrittenFrame written{smart, frame.m_pImage != nullptr && frame.m_pImage->GetImage() != nullptr,
                             frame.m_pAudio != nullptr, 0, 0};
        if (frame.m_pAudio != nullptr)
            written.audioBytes = frame.m_pAudio->m_nLength;
        if (written.image) {
            const IplImage* image = frame.m_pImage->GetImage();
            const auto* bytes = reinterpret_cast<const BYTE*>(image->imageData);
            written.pixel = bytes[0] | bytes[1] << 8 | bytes[2] << 16;
        }
        m_writes.push_back(written);
        if (m_onWrite)
            m_onWrite(static_cast<int>(m_writes.size()));
        const int code = m_failAt == static_cast<int>(m_writes.size()) ? m_failCode : 0;
        if (code == 0)
            ++m_nFramesWritten;
        return code;
    }

    int Close(int finish) override
    {
        m_closes.push_back(finish);
        return finish ? m_finishCode : 0;
    }

    int HandleNotify(long lParam) override
    {
        m_notified.push_back(lParam);
        return 0;
    }

    std::vector<WrittenFrame> m_writes;
    std::vector<int> m_closes;
    std::vector<long> m_notified;
    std::function<void(int)> m_onWrite;
    int m_failAt = -1;
    int m_failCode = 0;
    int m_finishCode = 0;
};

class RecordingDisplay : public CProductionDisplay {
public:
    void ShowImage(CIplImage*) override { ++m_images; }
    void SetSliderRange(double start, double stop) override
    {
        m_rangeStart = start;
        m_rangeStop = stop;
    }
    void SetLabel(LPCSTR text, int) override { m_labels.emplace_back(text); }
    void SetProgress(int hundredths) override { m_progress.push_back(hundredths); }
    void BeginProgress() override { ++m_begun; }
    void EndProgress() override { ++m_ended; }

    int m_images = 0;
    double m_rangeStart = -1;
    double m_rangeStop = -1;
    std::vector<std::string> m_labels;
    std::vector<int> m_progress;
    int m_begun = 0;
    int m_ended = 0;
};

// Answers message boxes from `answers` (IDYES when they run out) and
// records their texts; a missing file is never found.
class ScriptedShell : public CShellServices {
public:
    ScriptedShell() : m_previous(CShellServices::Set(this)) {}
    ~ScriptedShell() override { CShellServices::Set(m_previous); }

    int MessageBox(LPCSTR text, LPCSTR, UINT buttons) override
    {
        m_messages.emplace_back(text);
        m_buttons.push_back(buttons);
        if (m_answers.empty())
            return IDYES;
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    INT FindMissingMedia(CString*, INT, INT) override
    {
        ++m_searches;
        return 0;
    }

    std::deque<int> m_answers;
    std::vector<std::string> m_messages;
    std::vector<UINT> m_buttons;
    int m_searches = 0;

private:
    CShellServices* m_previous;
};

constexpr int kTestWidth = 64;
constexpr int kTestHeight = 48;

// A producer over a storyboard written as in ProduceStoryboards.h, with a
// recording writer, display and shell.
struct Production {
    Production(const char* layout, DWORD frameTime, bool audioOn = false, int outputType = 1)
        : storyboard(ProduceStoryboard(layout)),
          writer(new RecordingWriter(kTestWidth, kTestHeight, frameTime, outputType)),
          producer(storyboard.get(), &settings, &display, writer, audioOn)
    {
    }

    std::unique_ptr<Storyboard> storyboard;
    CProductionSettings settings;
    RecordingDisplay display;
    ScriptedShell shell;
    RecordingWriter* writer;
    CProducer producer;
};
