#pragma once
// How the rooms above the dialog manager (property sheets, the common
// dialogs) make dialogs from templates they build or adjust themselves.

#include <cstddef>

#include "Platform/Win/Controls/Controls.h"

namespace win::controls {

// A modal dialog from template bytes of a known size.
INT_PTR DialogBoxFromBytes(HINSTANCE instance, const void* data, size_t size, HWND parent, DLGPROC proc, LPARAM param);
// A modeless dialog from a template already read (and maybe changed), for
// layers that adjust a template before building it (property pages).
HWND CreateDialogFromDescription(HINSTANCE instance, const DialogDescription& description, HWND parent, DLGPROC proc,
                                 LPARAM param);
// Makes a template's description that of a page: a hidden DS_CONTROL child
// dialog at the parent's origin, without caption, frame or popup style,
// whatever its template gives it (property sheet pages and COM property
// pages).
void MakeChildPage(DialogDescription& description);

} // namespace win::controls
