#pragma once
// The scene analyser: weighted colour histograms of 24-bit frames (32 bins
// a channel, the frame's edges weighing less), a sliding window of
// distances to the frames before, and the rule that finds a cut in them.
// It keeps everything inline: analysis allocates nothing.

#include "Platform/DShow/DShow.h"

class SceneAnalyser {
public:
    static constexpr int kMaxWindow = 179;
    static constexpr int kMaxScenes = 2000;
    static constexpr int kShift = 3;
    static constexpr int kBins = 256 >> kShift;

    SceneAnalyser();

    // Frame size and duration (seconds) from the connection.
    void SetFormat(int width, int height, double frameDuration);
    double Threshold() const { return m_threshold; }
    void SetThreshold(double threshold) { m_threshold = threshold; }
    int Window() const { return m_window; }
    // Held within 1 and kMaxWindow.
    void SetWindow(int frames);

    // Analyses frame n (shown at `time` seconds) of bottom-up rows `stride`
    // bytes apart, blue-green-red; true when a scene start was stored.
    bool Analyse(const BYTE* pixels, LONG stride, int n, double time);

    // The scene list: count, times, and where the next one is stored.
    int SceneCount() const { return m_count; }
    double Scene(int index) const { return m_scenes[index]; }
    void ClearScenes();
    void SetAppendIndex(int index) { m_append = index; }
    void SetScenes(const double* times, int count);
    void ClearWindow() { m_inWindow = 0; }
    // The current histogram of a channel (0 red, 1 green, 2 blue).
    const float* Histogram(int channel) const { return m_current[channel]; }

private:
    int m_width = 0;
    int m_height = 0;
    double m_frameDuration = 0;
    double m_threshold = 3.0;
    int m_window = 30;
    int m_inWindow = 0;
    float m_current[3][256];
    float m_history[kMaxWindow + 1][3][256];
    double m_distance[kMaxWindow + 1];
    double m_scenes[kMaxScenes];
    int m_append = 0;
    int m_count = 0;
};
