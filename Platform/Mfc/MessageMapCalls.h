#pragma once
// The thunks of message-map entries: each turns a message's wParam and
// lParam (or a command's id and extra data) into the arguments its member
// takes, calls it on the object the map belongs to, and keeps the result.
// A thunk returns FALSE when the handler declined (the _EX forms, a
// reflected WM_CTLCOLOR answered with no brush), so that routing goes on.

#include "Platform/Mfc/AfxControls.h"
#include "Platform/Mfc/Wnd.h"

template <class T>
struct AfxMemberOf;
template <class C, class R, class... A>
struct AfxMemberOf<R (C::*)(A...)> {
    using Class = C;
};

template <AfxSig S, auto F>
BOOL AfxMsgThunk(CCmdTarget* target, AFX_MSGCALL& call)
{
    using Class = typename AfxMemberOf<decltype(F)>::Class;
    Class* p = static_cast<Class*>(target);
    const WPARAM w = call.wParam;
    const LPARAM l = call.lParam;
    [[maybe_unused]] auto window = [](WPARAM value) { return CWnd::FromHandle(reinterpret_cast<HWND>(value)); };
    [[maybe_unused]] auto notify = [&] { return static_cast<AFX_NOTIFY*>(call.pExtra); };
    if constexpr (S == AfxSig_lwl) {
        call.result = (p->*F)(w, l);
    } else if constexpr (S == AfxSig_is) {
        call.result = (p->*F)(reinterpret_cast<LPCREATESTRUCT>(l));
    } else if constexpr (S == AfxSig_vv || S == AfxSigCmd_v) {
        (p->*F)();
    } else if constexpr (S == AfxSig_b) {
        call.result = (p->*F)();
    } else if constexpr (S == AfxSig_vwii) {
        (p->*F)(static_cast<UINT>(w), LOWORD(static_cast<DWORD>(l)), HIWORD(static_cast<DWORD>(l)));
    } else if constexpr (S == AfxSig_vii) {
        (p->*F)(GET_X_LPARAM(l), GET_Y_LPARAM(l));
    } else if constexpr (S == AfxSig_bD) {
        call.result = (p->*F)(CDC::FromHandle(reinterpret_cast<HDC>(w)));
    } else if constexpr (S == AfxSig_hDWw) {
        const UINT type = call.message >= WM_CTLCOLORMSGBOX && call.message <= WM_CTLCOLORSTATIC
                              ? call.message - WM_CTLCOLORMSGBOX
                              : 0;
        call.result = reinterpret_cast<LRESULT>(
            (p->*F)(CDC::FromHandle(reinterpret_cast<HDC>(w)), window(static_cast<WPARAM>(l)), type));
    } else if constexpr (S == AfxSig_hDw) {
        const auto* color = reinterpret_cast<const AFX_CTLCOLOR*>(l);
        HBRUSH brush = (p->*F)(CDC::FromHandle(color->hDC), color->nCtlType);
        if (!brush)
            return FALSE;
        call.result = reinterpret_cast<LRESULT>(brush);
    } else if constexpr (S == AfxSig_vDRAW) {
        (p->*F)(static_cast<int>(w), reinterpret_cast<LPDRAWITEMSTRUCT>(l));
        call.result = TRUE;
    } else if constexpr (S == AfxSig_vMEASURE) {
        (p->*F)(static_cast<int>(w), reinterpret_cast<LPMEASUREITEMSTRUCT>(l));
        call.result = TRUE;
    } else if constexpr (S == AfxSig_iCOMPARE) {
        call.result = (p->*F)(static_cast<int>(w), reinterpret_cast<LPCOMPAREITEMSTRUCT>(l));
    } else if constexpr (S == AfxSig_vDELETE) {
        (p->*F)(static_cast<int>(w), reinterpret_cast<LPDELETEITEMSTRUCT>(l));
        call.result = TRUE;
    } else if constexpr (S == AfxSig_vDRAWREFLECT) {
        (p->*F)(reinterpret_cast<LPDRAWITEMSTRUCT>(l));
        call.result = TRUE;
    } else if constexpr (S == AfxSig_vMEASUREREFLECT) {
        (p->*F)(reinterpret_cast<LPMEASUREITEMSTRUCT>(l));
        call.result = TRUE;
    } else if constexpr (S == AfxSig_vTIMER) {
        (p->*F)(static_cast<UINT_PTR>(w));
    } else if constexpr (S == AfxSig_vwp) {
        (p->*F)(static_cast<UINT>(w), CPoint(l));
    } else if constexpr (S == AfxSig_bwsp) {
        call.result = (p->*F)(LOWORD(w), static_cast<short>(HIWORD(w)), CPoint(l));
    } else if constexpr (S == AfxSig_bWww) {
        call.result = (p->*F)(window(w), LOWORD(static_cast<DWORD>(l)), HIWORD(static_cast<DWORD>(l)));
    } else if constexpr (S == AfxSig_iWww) {
        call.result = (p->*F)(window(w), LOWORD(static_cast<DWORD>(l)), HIWORD(static_cast<DWORD>(l)));
    } else if constexpr (S == AfxSig_vW) {
        // WM_CAPTURECHANGED names the window in lParam, the others in wParam.
        (p->*F)(window(call.message == WM_CAPTURECHANGED ? static_cast<WPARAM>(l) : w));
    } else if constexpr (S == AfxSig_vWp) {
        (p->*F)(window(w), CPoint(l));
    } else if constexpr (S == AfxSig_vwww) {
        (p->*F)(static_cast<UINT>(w), LOWORD(static_cast<DWORD>(l)), HIWORD(static_cast<DWORD>(l)));
    } else if constexpr (S == AfxSig_vwWb) {
        (p->*F)(LOWORD(w), window(static_cast<WPARAM>(l)), HIWORD(w));
    } else if constexpr (S == AfxSig_vMINMAX) {
        (p->*F)(reinterpret_cast<MINMAXINFO*>(l));
    } else if constexpr (S == AfxSig_vwwS) {
        (p->*F)(LOWORD(w), HIWORD(w), CScrollBar::FromHandle(reinterpret_cast<HWND>(l)));
    } else if constexpr (S == AfxSig_vww) {
        (p->*F)(LOWORD(w), HIWORD(w));
    } else if constexpr (S == AfxSig_bb) {
        call.result = (p->*F)(static_cast<BOOL>(w));
    } else if constexpr (S == AfxSig_vb) {
        (p->*F)(static_cast<BOOL>(w));
    } else if constexpr (S == AfxSig_vbw) {
        (p->*F)(static_cast<BOOL>(w), static_cast<UINT>(l));
    } else if constexpr (S == AfxSig_vwl) {
        (p->*F)(static_cast<UINT>(w), l);
    } else if constexpr (S == AfxSig_vDROP) {
        (p->*F)(reinterpret_cast<HDROP>(w));
    } else if constexpr (S == AfxSig_bwl) {
        call.result = (p->*F)(static_cast<UINT>(w), static_cast<DWORD_PTR>(l));
    } else if constexpr (S == AfxSig_vwW) {
        (p->*F)(static_cast<UINT>(w), window(static_cast<WPARAM>(l)));
    } else if constexpr (S == AfxSig_lwwM) {
        call.result = (p->*F)(LOWORD(w), HIWORD(w), CMenu::FromHandle(reinterpret_cast<HMENU>(l)));
    } else if constexpr (S == AfxSig_vMwb) {
        (p->*F)(CMenu::FromHandle(reinterpret_cast<HMENU>(w)), LOWORD(static_cast<DWORD>(l)),
                HIWORD(static_cast<DWORD>(l)));
    } else if constexpr (S == AfxSig_vM) {
        (p->*F)(CMenu::FromHandle(reinterpret_cast<HMENU>(w)));
    } else if constexpr (S == AfxSig_lp) {
        call.result = (p->*F)(CPoint(l));
    } else if constexpr (S == AfxSigCmd_b) {
        return (p->*F)(call.nID);
    } else if constexpr (S == AfxSigCmd_bv) {
        return (p->*F)();
    } else if constexpr (S == AfxSigCmd_RANGE) {
        (p->*F)(call.nID);
    } else if constexpr (S == AfxSigCmdUI) {
        (p->*F)(static_cast<CCmdUI*>(call.pExtra));
    } else if constexpr (S == AfxSigNotify_v) {
        (p->*F)(notify()->pNMHDR, notify()->pResult);
    } else if constexpr (S == AfxSigNotify_b) {
        return (p->*F)(notify()->pNMHDR, notify()->pResult);
    } else if constexpr (S == AfxSigNotify_RANGE) {
        (p->*F)(call.nID, notify()->pNMHDR, notify()->pResult);
    } else if constexpr (S == AfxSigNotify_EX) {
        return (p->*F)(call.nID, notify()->pNMHDR, notify()->pResult);
    } else {
        static_assert(S != S, "a message-map signature without a thunk");
    }
    return TRUE;
}
