#pragma once
// Helpers shared by the effect tests and the effect renderer tests: the
// program's resource modules (with the scene's media path name added)
// loaded as the application loads them, a recorder of the message boxes
// shown, generated frames and their pixels.

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxMessageBoxHandler.h"
#include "Platform/Mfc/AfxResources.h"
#include "Platform/Win/Kernel/Modules.h"
#include "Platform/Win/Kernel/System.h"
#include "Win32/Imaging/IplImage.h"
#include "Win32/Sb/tests/FramePixels.h"
#include "Win32/Utils/MediaTime.h"
#include "Win32/Utils/ResourceSwitch.h"

namespace effect_tests {

// The modules for the life of the object, and every message box shown
// meanwhile (answered with its default button).
class EffectModules {
public:
    explicit EffectModules(const std::string& folder = KESTRELON_SB_EFFECT_FIXTURE_MODULES)
    {
        if (const char* old = std::getenv("KESTRELON_MODULE_DIR")) {
            m_previous = old;
            m_hadPrevious = true;
        }
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", folder.c_str());
        m_application = std::make_unique<CResourceSwitch>();
        m_modules = std::make_unique<CResourceModules>();
        AfxSetResourceHandle(GetModuleHandleA(nullptr));
        m_previousHandler = AfxSetMessageBoxHandler([this](LPCSTR text, UINT type, UINT) {
            m_messages.push_back(text != nullptr ? text : "");
            return AfxDefaultMessageBoxButton(type);
        });
    }
    ~EffectModules()
    {
        AfxSetMessageBoxHandler(m_previousHandler);
        m_modules.reset();
        m_application.reset();
        SetEnvironmentVariableA("KESTRELON_MODULE_DIR", m_hadPrevious ? m_previous.c_str() : nullptr);
    }
    EffectModules(const EffectModules&) = delete;
    EffectModules& operator=(const EffectModules&) = delete;

    const std::vector<std::string>& Messages() const { return m_messages; }

private:
    std::string m_previous;
    bool m_hadPrevious = false;
    std::unique_ptr<CResourceSwitch> m_application;
    std::unique_ptr<CResourceModules> m_modules;
    AfxMessageBoxHandler m_previousHandler;
    std::vector<std::string> m_messages;
};

inline CMediaTime Milliseconds(double milliseconds)
{
    return CMediaTime::FromMilliseconds(milliseconds);
}

using frame_pixels::PixelAt;
using frame_pixels::RgbPixels;

// The colour of a pixel as a COLORREF.
inline COLORREF ColorAt(CIplImage& image, int x, int y)
{
    const BYTE* p = PixelAt(image, x, y);
    return RGB(p[2], p[1], p[0]);
}

// A smooth colour gradient with a few hard edges, so that every style has
// something to move.
inline std::unique_ptr<CIplImage> MakeTestFrame(int width, int height)
{
    auto image = std::make_unique<CIplImage>(width, height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            BYTE* p = PixelAt(*image, x, y);
            const bool stripe = ((x / 8) + (y / 8)) % 2 == 0;
            p[0] = static_cast<BYTE>(40 + 180 * y / height);
            p[1] = static_cast<BYTE>(stripe ? 200 : 60 + 120 * x / width);
            p[2] = static_cast<BYTE>(220 - 160 * x / width);
        }
    }
    return image;
}

inline std::unique_ptr<CIplImage> MakeFlatFrame(int width, int height, COLORREF color)
{
    auto image = std::make_unique<CIplImage>(width, height, 0);
    image->FillColor(color);
    return image;
}

inline bool SamePixels(CIplImage& a, CIplImage& b)
{
    return RgbPixels(a) == RgbPixels(b);
}

} // namespace effect_tests
