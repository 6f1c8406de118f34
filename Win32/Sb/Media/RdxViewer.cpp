#include "Win32/Sb/Media/RdxViewer.h"

#include "Win32/Sb/Media/MediaSource.h"

namespace {

CViewerFactory g_standardFactory;
CViewerFactory* g_factory = &g_standardFactory;

} // namespace

RDXViewer* CViewerFactory::CreateStillViewer(CMediaSource* source, RDXControl*, DWORD)
{
    delete source;
    return nullptr;
}

RDXViewer* CViewerFactory::CreateVideoViewer(LPCSTR, INT, INT, RDXControl*, DWORD, INT, INT)
{
    return nullptr;
}

CViewerFactory& CViewerFactory::Get()
{
    return *g_factory;
}

CViewerFactory* CViewerFactory::Set(CViewerFactory* factory)
{
    CViewerFactory* previous = g_factory;
    g_factory = factory != nullptr ? factory : &g_standardFactory;
    return previous;
}
