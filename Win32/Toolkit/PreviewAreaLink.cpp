#include "Win32/Toolkit/PreviewAreaLink.h"

namespace {

class NoPreviewArea : public CPreviewAreaLink {
public:
    bool IsPreviewArea(CWnd*) override { return false; }
    void Refresh(CWnd*, INT) override {}
};

CPreviewAreaLink* g_installed = nullptr;

} // namespace

CPreviewAreaLink& CPreviewAreaLink::Get()
{
    static NoPreviewArea none;
    return g_installed ? *g_installed : none;
}

CPreviewAreaLink* CPreviewAreaLink::Set(CPreviewAreaLink* link)
{
    CPreviewAreaLink* previous = g_installed;
    g_installed = link;
    return previous;
}
