#include "Filters/Generic/SceneAnalyser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

SceneAnalyser::SceneAnalyser()
{
    std::memset(m_current, 0, sizeof m_current);
    std::memset(m_history, 0, sizeof m_history);
    std::memset(m_distance, 0, sizeof m_distance);
    std::memset(m_scenes, 0, sizeof m_scenes);
}

void SceneAnalyser::SetFormat(int width, int height, double frameDuration)
{
    m_width = width;
    m_height = height;
    m_frameDuration = frameDuration;
}

void SceneAnalyser::SetWindow(int frames) { m_window = std::clamp(frames, 1, kMaxWindow); }

void SceneAnalyser::ClearScenes()
{
    m_append = 0;
    m_count = 0;
    m_inWindow = 0;
}

void SceneAnalyser::SetScenes(const double* times, int count)
{
    count = std::clamp(count, 0, kMaxScenes);
    std::copy(times, times + count, m_scenes);
    m_count = count;
}

bool SceneAnalyser::Analyse(const BYTE* pixels, LONG stride, int n, double time)
{
    const int window = m_window;
    const int slot = n % window;
    for (int c = 0; c < 3; ++c) {
        std::copy(m_current[c], m_current[c] + kBins, m_history[slot][c]);
        std::fill(m_current[c], m_current[c] + kBins, 0.0f);
    }

    const double edgeY = 0.2 * m_height;
    const double edgeX = 0.2 * m_width;
    for (int y = 0; y < m_height; ++y) {
        double wy = y < edgeY ? y / edgeY : 1.0;
        if (y > m_height - edgeY)
            wy = (m_height - y) / edgeY;
        const BYTE* row = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < m_width; ++x) {
            double w = wy;
            if (x < edgeX)
                w *= x / edgeX;
            if (x > m_width - edgeX)
                w *= (m_width - x) / edgeX;
            const BYTE* pixel = row + 3 * x;
            m_current[0][pixel[2] >> kShift] += static_cast<float>(w);
            m_current[1][pixel[1] >> kShift] += static_cast<float>(w);
            m_current[2][pixel[0] >> kShift] += static_cast<float>(w);
        }
    }

    const double cut = static_cast<double>(m_width) * m_height * m_frameDuration * 255.0 * m_threshold * 0.01;
    m_inWindow = std::min(m_inWindow + 1, window);
    const int k = m_inWindow;
    for (int m = 0; m < k; ++m) {
        const int past = ((n - m) % window + window) % window;
        double sum = 0;
        for (int c = 0; c < 3; ++c)
            for (int b = 0; b < kBins; ++b)
                sum += std::fabs(static_cast<double>(m_history[past][c][b]) - m_current[c][b]);
        m_distance[m] = sum;
    }
    int offset = -1, similar = 0, apart = 0;
    for (int m = 1; m < k; ++m) {
        if (offset == -1) {
            similar = m;
            if (m_distance[m] - m_distance[m - 1] > cut)
                offset = m;
        } else {
            if (m_distance[m] > cut)
                ++apart;
            if (m_distance[m] < 1.2 * cut)
                similar = m;
        }
    }
    bool stored = false;
    if (offset >= window / 3 && apart > window / 3 && similar <= offset) {
        if (m_count < kMaxScenes && m_append < kMaxScenes) {
            m_scenes[m_append++] = time - offset * m_frameDuration;
            m_count = m_append;
            stored = true;
        }
        m_inWindow = offset;
    }
    if (m_append == 0) {
        m_scenes[0] = 0.0;
        m_append = m_count = 1;
        stored = true;
    }
    return stored;
}
