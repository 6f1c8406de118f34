#pragma once
// Command targets and message maps.
//
// A message map is a constexpr table of entries {message, code, id range,
// signature, handler}. The handler is a thunk made for the entry's member
// function: it knows the member's class and parameter types and decodes the
// message's wParam and lParam into them (MessageMapCalls.h), so an entry
// whose member does not fit its signature does not compile. Maps chain to
// their base class's map; the most derived entry for a message wins.
//
//   BEGIN_MESSAGE_MAP(CMyWnd, CWnd)
//       ON_WM_PAINT()
//       ON_COMMAND(ID_FILE_NEW, OnFileNew)
//   END_MESSAGE_MAP()
//
// Members are named as in classic MFC: ON_COMMAND(id, OnFileNew) maps
// &ThisClass::OnFileNew.

#include "Platform/Mfc/Forward.h"
#include "Platform/Mfc/Object.h"
#include "Platform/Win/Controls/Controls.h"

// Codes of OnCmdMsg: a command, or the question whether a command is enabled.
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;
constexpr int CN_EVENT = -2;

// Messages the framework sends itself.
constexpr UINT WM_QUERYAFXWNDPROC = 0x0360;
constexpr UINT WM_SIZEPARENT = 0x0361;
constexpr UINT WM_SETMESSAGESTRING = 0x0362;
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;
constexpr UINT WM_INITIALUPDATE = 0x0364;
constexpr UINT WM_COMMANDHELP = 0x0365;
constexpr UINT WM_HELPHITTEST = 0x0366;
constexpr UINT WM_EXITHELPMODE = 0x0367;
constexpr UINT WM_RECALCPARENT = 0x0368;
constexpr UINT WM_SIZECHILD = 0x0369;
constexpr UINT WM_KICKIDLE = 0x036A;
constexpr UINT WM_QUERYCENTERWND = 0x036B;
constexpr UINT WM_DISABLEMODAL = 0x036C;
constexpr UINT WM_FLOATSTATUS = 0x036D;
constexpr UINT WM_ACTIVATETOPLEVEL = 0x036E;
// A child's own notification comes back to it at this offset.
constexpr UINT WM_REFLECT_BASE = 0xBC00;
// The message of ON_REGISTERED_MESSAGE entries.
constexpr UINT AFX_REGISTERED_MESSAGE = 0xC000;

struct AFX_MSGCALL;
using AFX_PMSG = BOOL (*)(CCmdTarget* target, AFX_MSGCALL& call);

// What a handler is called with. For window messages: the message and its
// parameters, and the result to answer; for commands: the id, the code and
// the code's extra data (a CCmdUI*, an AFX_NOTIFY*).
struct AFX_MSGCALL {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    UINT nID = 0;
    int nCode = 0;
    void* pExtra = nullptr;
    LRESULT result = 0;
};

struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
    AFX_PMSG pmf;
};

struct AFX_NOTIFY {
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

// What a WM_CTLCOLOR* message carries when it is reflected to the child.
struct AFX_CTLCOLOR {
    HWND hWnd;
    HDC hDC;
    UINT nCtlType;
};

// The handler signatures: how a message's parameters become a member's.
enum AfxSig : UINT_PTR {
    AfxSig_end = 0,
    AfxSig_lwl,      // LRESULT (WPARAM, LPARAM)
    AfxSig_is,       // int (LPCREATESTRUCT)
    AfxSig_vv,       // void ()
    AfxSig_b,        // BOOL ()
    AfxSig_vwii,     // void (UINT, int, int)
    AfxSig_vii,      // void (int, int)
    AfxSig_bD,       // BOOL (CDC*)
    AfxSig_hDWw,     // HBRUSH (CDC*, CWnd*, UINT)
    AfxSig_hDw,      // HBRUSH (CDC*, UINT), reflected
    AfxSig_vDRAW,    // void (int, LPDRAWITEMSTRUCT)
    AfxSig_vMEASURE, // void (int, LPMEASUREITEMSTRUCT)
    AfxSig_iCOMPARE, // int (int, LPCOMPAREITEMSTRUCT)
    AfxSig_vDELETE,  // void (int, LPDELETEITEMSTRUCT)
    AfxSig_vDRAWREFLECT,    // void (LPDRAWITEMSTRUCT)
    AfxSig_vMEASUREREFLECT, // void (LPMEASUREITEMSTRUCT)
    AfxSig_vTIMER,   // void (UINT_PTR)
    AfxSig_vwp,      // void (UINT, CPoint)
    AfxSig_bwsp,     // BOOL (UINT, short, CPoint)
    AfxSig_bWww,     // BOOL (CWnd*, UINT, UINT)
    AfxSig_iWww,     // int (CWnd*, UINT, UINT)
    AfxSig_vW,       // void (CWnd*)
    AfxSig_vWp,      // void (CWnd*, CPoint)
    AfxSig_vwww,     // void (UINT, UINT, UINT)
    AfxSig_vwWb,     // void (UINT, CWnd*, BOOL)
    AfxSig_vMINMAX,  // void (MINMAXINFO*)
    AfxSig_vwwS,     // void (UINT, UINT, CScrollBar*)
    AfxSig_vww,      // void (UINT, UINT), reflected scrolling
    AfxSig_bb,       // BOOL (BOOL)
    AfxSig_vb,       // void (BOOL)
    AfxSig_vbw,      // void (BOOL, UINT)
    AfxSig_vwl,      // void (UINT, LPARAM)
    AfxSig_vDROP,    // void (HDROP)
    AfxSig_bwl,      // BOOL (UINT, DWORD_PTR)
    AfxSig_vwW,      // void (UINT, CWnd*)
    AfxSig_lwwM,     // LRESULT (UINT, UINT, CMenu*)
    AfxSig_vMwb,     // void (CMenu*, UINT, BOOL)
    AfxSig_vM,       // void (CMenu*)
    AfxSig_lp,       // LRESULT (CPoint)
    AfxSigCmd_v,     // void ()
    AfxSigCmd_b,     // BOOL (UINT): ON_COMMAND_EX, FALSE goes on routing
    AfxSigCmd_bv,    // BOOL (): ON_CONTROL_REFLECT_EX
    AfxSigCmd_RANGE, // void (UINT)
    AfxSigCmdUI,     // void (CCmdUI*)
    AfxSigNotify_v,  // void (NMHDR*, LRESULT*)
    AfxSigNotify_b,  // BOOL (NMHDR*, LRESULT*): ON_NOTIFY_REFLECT_EX
    AfxSigNotify_RANGE, // void (UINT, NMHDR*, LRESULT*)
    AfxSigNotify_EX, // BOOL (UINT, NMHDR*, LRESULT*)
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    UINT_PTR nSig;
    AFX_PMSG pfn;
    // ON_REGISTERED_MESSAGE: the variable that holds the message.
    const UINT* pnRegistered;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// The thunk of one entry (MessageMapCalls.h).
template <AfxSig S, auto F>
BOOL AfxMsgThunk(CCmdTarget* target, AFX_MSGCALL& call);

#define afx_msg

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() \
    { \
        using ThisClass = theClass; \
        using TheBaseClass = baseClass; \
        static_assert(sizeof(ThisClass) > 0 && sizeof(TheBaseClass) > 0); \
        static constexpr AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP() \
    {0, 0, 0, 0, AfxSig_end, nullptr, nullptr}}; \
    static constexpr AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
    return &messageMap; \
    }

#define AFX_MSG_ENTRY(message, code, id, lastId, sig, member) \
    {(message), static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(lastId), (sig), \
     &AfxMsgThunk<(sig), (member)>, nullptr},

// Window messages.
#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, 0, 0, 0, AfxSig_is, &ThisClass::OnCreate)
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, 0, 0, AfxSig_vv, &ThisClass::OnDestroy)
#define ON_WM_NCDESTROY() AFX_MSG_ENTRY(WM_NCDESTROY, 0, 0, 0, AfxSig_vv, &ThisClass::OnNcDestroy)
#define ON_WM_SIZE() AFX_MSG_ENTRY(WM_SIZE, 0, 0, 0, AfxSig_vwii, &ThisClass::OnSize)
#define ON_WM_MOVE() AFX_MSG_ENTRY(WM_MOVE, 0, 0, 0, AfxSig_vii, &ThisClass::OnMove)
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, 0, 0, 0, AfxSig_vv, &ThisClass::OnPaint)
#define ON_WM_ERASEBKGND() AFX_MSG_ENTRY(WM_ERASEBKGND, 0, 0, 0, AfxSig_bD, &ThisClass::OnEraseBkgnd)
#define ON_WM_CTLCOLOR() AFX_MSG_ENTRY(WM_CTLCOLOR, 0, 0, 0, AfxSig_hDWw, &ThisClass::OnCtlColor)
#define ON_WM_DRAWITEM() AFX_MSG_ENTRY(WM_DRAWITEM, 0, 0, 0, AfxSig_vDRAW, &ThisClass::OnDrawItem)
#define ON_WM_MEASUREITEM() AFX_MSG_ENTRY(WM_MEASUREITEM, 0, 0, 0, AfxSig_vMEASURE, &ThisClass::OnMeasureItem)
#define ON_WM_COMPAREITEM() AFX_MSG_ENTRY(WM_COMPAREITEM, 0, 0, 0, AfxSig_iCOMPARE, &ThisClass::OnCompareItem)
#define ON_WM_DELETEITEM() AFX_MSG_ENTRY(WM_DELETEITEM, 0, 0, 0, AfxSig_vDELETE, &ThisClass::OnDeleteItem)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, 0, 0, 0, AfxSig_vTIMER, &ThisClass::OnTimer)
#define ON_WM_MOUSEMOVE() AFX_MSG_ENTRY(WM_MOUSEMOVE, 0, 0, 0, AfxSig_vwp, &ThisClass::OnMouseMove)
#define ON_WM_LBUTTONDOWN() AFX_MSG_ENTRY(WM_LBUTTONDOWN, 0, 0, 0, AfxSig_vwp, &ThisClass::OnLButtonDown)
#define ON_WM_LBUTTONUP() AFX_MSG_ENTRY(WM_LBUTTONUP, 0, 0, 0, AfxSig_vwp, &ThisClass::OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() AFX_MSG_ENTRY(WM_LBUTTONDBLCLK, 0, 0, 0, AfxSig_vwp, &ThisClass::OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() AFX_MSG_ENTRY(WM_RBUTTONDOWN, 0, 0, 0, AfxSig_vwp, &ThisClass::OnRButtonDown)
#define ON_WM_RBUTTONUP() AFX_MSG_ENTRY(WM_RBUTTONUP, 0, 0, 0, AfxSig_vwp, &ThisClass::OnRButtonUp)
#define ON_WM_RBUTTONDBLCLK() AFX_MSG_ENTRY(WM_RBUTTONDBLCLK, 0, 0, 0, AfxSig_vwp, &ThisClass::OnRButtonDblClk)
#define ON_WM_MOUSEWHEEL() AFX_MSG_ENTRY(WM_MOUSEWHEEL, 0, 0, 0, AfxSig_bwsp, &ThisClass::OnMouseWheel)
#define ON_WM_SETCURSOR() AFX_MSG_ENTRY(WM_SETCURSOR, 0, 0, 0, AfxSig_bWww, &ThisClass::OnSetCursor)
#define ON_WM_MOUSEACTIVATE() AFX_MSG_ENTRY(WM_MOUSEACTIVATE, 0, 0, 0, AfxSig_iWww, &ThisClass::OnMouseActivate)
#define ON_WM_CAPTURECHANGED() AFX_MSG_ENTRY(WM_CAPTURECHANGED, 0, 0, 0, AfxSig_vW, &ThisClass::OnCaptureChanged)
#define ON_WM_KEYDOWN() AFX_MSG_ENTRY(WM_KEYDOWN, 0, 0, 0, AfxSig_vwww, &ThisClass::OnKeyDown)
#define ON_WM_KEYUP() AFX_MSG_ENTRY(WM_KEYUP, 0, 0, 0, AfxSig_vwww, &ThisClass::OnKeyUp)
#define ON_WM_CHAR() AFX_MSG_ENTRY(WM_CHAR, 0, 0, 0, AfxSig_vwww, &ThisClass::OnChar)
#define ON_WM_SYSKEYDOWN() AFX_MSG_ENTRY(WM_SYSKEYDOWN, 0, 0, 0, AfxSig_vwww, &ThisClass::OnSysKeyDown)
#define ON_WM_SETFOCUS() AFX_MSG_ENTRY(WM_SETFOCUS, 0, 0, 0, AfxSig_vW, &ThisClass::OnSetFocus)
#define ON_WM_KILLFOCUS() AFX_MSG_ENTRY(WM_KILLFOCUS, 0, 0, 0, AfxSig_vW, &ThisClass::OnKillFocus)
#define ON_WM_ACTIVATE() AFX_MSG_ENTRY(WM_ACTIVATE, 0, 0, 0, AfxSig_vwWb, &ThisClass::OnActivate)
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, 0, 0, 0, AfxSig_vv, &ThisClass::OnClose)
#define ON_WM_QUERYENDSESSION() AFX_MSG_ENTRY(WM_QUERYENDSESSION, 0, 0, 0, AfxSig_b, &ThisClass::OnQueryEndSession)
#define ON_WM_GETMINMAXINFO() AFX_MSG_ENTRY(WM_GETMINMAXINFO, 0, 0, 0, AfxSig_vMINMAX, &ThisClass::OnGetMinMaxInfo)
#define ON_WM_HSCROLL() AFX_MSG_ENTRY(WM_HSCROLL, 0, 0, 0, AfxSig_vwwS, &ThisClass::OnHScroll)
#define ON_WM_VSCROLL() AFX_MSG_ENTRY(WM_VSCROLL, 0, 0, 0, AfxSig_vwwS, &ThisClass::OnVScroll)
#define ON_WM_NCPAINT() AFX_MSG_ENTRY(WM_NCPAINT, 0, 0, 0, AfxSig_vv, &ThisClass::OnNcPaint)
#define ON_WM_NCACTIVATE() AFX_MSG_ENTRY(WM_NCACTIVATE, 0, 0, 0, AfxSig_bb, &ThisClass::OnNcActivate)
#define ON_WM_NCLBUTTONDOWN() AFX_MSG_ENTRY(WM_NCLBUTTONDOWN, 0, 0, 0, AfxSig_vwp, &ThisClass::OnNcLButtonDown)
#define ON_WM_NCHITTEST() AFX_MSG_ENTRY(WM_NCHITTEST, 0, 0, 0, AfxSig_lp, &ThisClass::OnNcHitTest)
#define ON_WM_ENABLE() AFX_MSG_ENTRY(WM_ENABLE, 0, 0, 0, AfxSig_vb, &ThisClass::OnEnable)
#define ON_WM_SHOWWINDOW() AFX_MSG_ENTRY(WM_SHOWWINDOW, 0, 0, 0, AfxSig_vbw, &ThisClass::OnShowWindow)
#define ON_WM_SYSCOMMAND() AFX_MSG_ENTRY(WM_SYSCOMMAND, 0, 0, 0, AfxSig_vwl, &ThisClass::OnSysCommand)
#define ON_WM_DROPFILES() AFX_MSG_ENTRY(WM_DROPFILES, 0, 0, 0, AfxSig_vDROP, &ThisClass::OnDropFiles)
#define ON_WM_DEVICECHANGE() AFX_MSG_ENTRY(WM_DEVICECHANGE, 0, 0, 0, AfxSig_bwl, &ThisClass::OnDeviceChange)
#define ON_WM_PALETTECHANGED() AFX_MSG_ENTRY(WM_PALETTECHANGED, 0, 0, 0, AfxSig_vW, &ThisClass::OnPaletteChanged)
#define ON_WM_QUERYNEWPALETTE() AFX_MSG_ENTRY(WM_QUERYNEWPALETTE, 0, 0, 0, AfxSig_b, &ThisClass::OnQueryNewPalette)
#define ON_WM_ENTERIDLE() AFX_MSG_ENTRY(WM_ENTERIDLE, 0, 0, 0, AfxSig_vwW, &ThisClass::OnEnterIdle)
#define ON_WM_MENUCHAR() AFX_MSG_ENTRY(WM_MENUCHAR, 0, 0, 0, AfxSig_lwwM, &ThisClass::OnMenuChar)
#define ON_WM_INITMENU() AFX_MSG_ENTRY(WM_INITMENU, 0, 0, 0, AfxSig_vM, &ThisClass::OnInitMenu)
#define ON_WM_INITMENUPOPUP() AFX_MSG_ENTRY(WM_INITMENUPOPUP, 0, 0, 0, AfxSig_vMwb, &ThisClass::OnInitMenuPopup)
#define ON_WM_CONTEXTMENU() AFX_MSG_ENTRY(WM_CONTEXTMENU, 0, 0, 0, AfxSig_vWp, &ThisClass::OnContextMenu)
#define ON_WM_CTLCOLOR_REFLECT() \
    AFX_MSG_ENTRY(WM_CTLCOLOR + WM_REFLECT_BASE, 0, 0, 0, AfxSig_hDw, &ThisClass::CtlColor)
#define ON_WM_DRAWITEM_REFLECT() \
    AFX_MSG_ENTRY(WM_DRAWITEM + WM_REFLECT_BASE, 0, 0, 0, AfxSig_vDRAWREFLECT, &ThisClass::DrawItem)
#define ON_WM_MEASUREITEM_REFLECT() \
    AFX_MSG_ENTRY(WM_MEASUREITEM + WM_REFLECT_BASE, 0, 0, 0, AfxSig_vMEASUREREFLECT, &ThisClass::MeasureItem)
#define ON_WM_HSCROLL_REFLECT() AFX_MSG_ENTRY(WM_HSCROLL + WM_REFLECT_BASE, 0, 0, 0, AfxSig_vww, &ThisClass::HScroll)
#define ON_WM_VSCROLL_REFLECT() AFX_MSG_ENTRY(WM_VSCROLL + WM_REFLECT_BASE, 0, 0, 0, AfxSig_vww, &ThisClass::VScroll)

// Any message, and registered messages (the variable holds the message).
#define ON_MESSAGE(message, memberFxn) AFX_MSG_ENTRY(message, 0, 0, 0, AfxSig_lwl, &ThisClass::memberFxn)
#define ON_MESSAGE_VOID(message, memberFxn) AFX_MSG_ENTRY(message, 0, 0, 0, AfxSig_vv, &ThisClass::memberFxn)
#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn) \
    {AFX_REGISTERED_MESSAGE, 0, 0, 0, AfxSig_lwl, &AfxMsgThunk<AfxSig_lwl, &ThisClass::memberFxn>, &(nMessageVariable)},

// Commands and their enabling.
#define ON_COMMAND(id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, AfxSigCmd_v, &ThisClass::memberFxn)
#define ON_COMMAND_EX(id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, AfxSigCmd_b, &ThisClass::memberFxn)
#define ON_COMMAND_EX_RANGE(id, idLast, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, AfxSigCmd_b, &ThisClass::memberFxn)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, AfxSigCmd_RANGE, &ThisClass::memberFxn)
#define ON_UPDATE_COMMAND_UI(id, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND, 0xFFFF, id, id, AfxSigCmdUI, &ThisClass::memberFxn)
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND, 0xFFFF, id, idLast, AfxSigCmdUI, &ThisClass::memberFxn)

// Control notifications through WM_COMMAND.
#define ON_CONTROL(wNotifyCode, id, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, id, AfxSigCmd_v, &ThisClass::memberFxn)
#define ON_CONTROL_RANGE(wNotifyCode, id, idLast, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, idLast, AfxSigCmd_RANGE, &ThisClass::memberFxn)
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND + WM_REFLECT_BASE, wNotifyCode, 0, 0, AfxSigCmd_v, &ThisClass::memberFxn)
#define ON_CONTROL_REFLECT_EX(wNotifyCode, memberFxn) \
    AFX_MSG_ENTRY(WM_COMMAND + WM_REFLECT_BASE, wNotifyCode, 0, 0, AfxSigCmd_bv, &ThisClass::memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_BN_DOUBLECLICKED(id, memberFxn) ON_CONTROL(BN_DOUBLECLICKED, id, memberFxn)
#define ON_BN_SETFOCUS(id, memberFxn) ON_CONTROL(BN_SETFOCUS, id, memberFxn)
#define ON_BN_KILLFOCUS(id, memberFxn) ON_CONTROL(BN_KILLFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_UPDATE(id, memberFxn) ON_CONTROL(EN_UPDATE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_MAXTEXT(id, memberFxn) ON_CONTROL(EN_MAXTEXT, id, memberFxn)
#define ON_EN_HSCROLL(id, memberFxn) ON_CONTROL(EN_HSCROLL, id, memberFxn)
#define ON_EN_VSCROLL(id, memberFxn) ON_CONTROL(EN_VSCROLL, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_DBLCLK(id, memberFxn) ON_CONTROL(CBN_DBLCLK, id, memberFxn)
#define ON_CBN_SETFOCUS(id, memberFxn) ON_CONTROL(CBN_SETFOCUS, id, memberFxn)
#define ON_CBN_KILLFOCUS(id, memberFxn) ON_CONTROL(CBN_KILLFOCUS, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_CBN_EDITUPDATE(id, memberFxn) ON_CONTROL(CBN_EDITUPDATE, id, memberFxn)
#define ON_CBN_DROPDOWN(id, memberFxn) ON_CONTROL(CBN_DROPDOWN, id, memberFxn)
#define ON_CBN_CLOSEUP(id, memberFxn) ON_CONTROL(CBN_CLOSEUP, id, memberFxn)
#define ON_CBN_SELENDOK(id, memberFxn) ON_CONTROL(CBN_SELENDOK, id, memberFxn)
#define ON_CBN_SELENDCANCEL(id, memberFxn) ON_CONTROL(CBN_SELENDCANCEL, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)
#define ON_LBN_SETFOCUS(id, memberFxn) ON_CONTROL(LBN_SETFOCUS, id, memberFxn)
#define ON_LBN_KILLFOCUS(id, memberFxn) ON_CONTROL(LBN_KILLFOCUS, id, memberFxn)
#define ON_STN_CLICKED(id, memberFxn) ON_CONTROL(STN_CLICKED, id, memberFxn)
#define ON_STN_DBLCLK(id, memberFxn) ON_CONTROL(STN_DBLCLK, id, memberFxn)

// WM_NOTIFY notifications. Codes are kept as their low 16 bits.
#define ON_NOTIFY(wNotifyCode, id, memberFxn) \
    AFX_MSG_ENTRY(WM_NOTIFY, static_cast<WORD>(wNotifyCode), id, id, AfxSigNotify_v, &ThisClass::memberFxn)
#define ON_NOTIFY_RANGE(wNotifyCode, id, idLast, memberFxn) \
    AFX_MSG_ENTRY(WM_NOTIFY, static_cast<WORD>(wNotifyCode), id, idLast, AfxSigNotify_RANGE, &ThisClass::memberFxn)
#define ON_NOTIFY_EX(wNotifyCode, id, memberFxn) \
    AFX_MSG_ENTRY(WM_NOTIFY, static_cast<WORD>(wNotifyCode), id, id, AfxSigNotify_EX, &ThisClass::memberFxn)
#define ON_NOTIFY_EX_RANGE(wNotifyCode, id, idLast, memberFxn) \
    AFX_MSG_ENTRY(WM_NOTIFY, static_cast<WORD>(wNotifyCode), id, idLast, AfxSigNotify_EX, &ThisClass::memberFxn)
#define ON_NOTIFY_REFLECT(wNotifyCode, memberFxn) \
    AFX_MSG_ENTRY(WM_NOTIFY + WM_REFLECT_BASE, static_cast<WORD>(wNotifyCode), 0, 0, AfxSigNotify_v, \
                  &ThisClass::memberFxn)
#define ON_NOTIFY_REFLECT_EX(wNotifyCode, memberFxn) \
    AFX_MSG_ENTRY(WM_NOTIFY + WM_REFLECT_BASE, static_cast<WORD>(wNotifyCode), 0, 0, AfxSigNotify_b, \
                  &ThisClass::memberFxn)

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;

    // Looks the command up in this object's maps: the handler runs and TRUE
    // is answered, or with pHandlerInfo only the handler is reported.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();

protected:
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    friend class CWnd;
};

// What a command's user-interface item (a menu item, a control) lets its
// command target change while the command's state is asked for.
class CCmdUI {
public:
    CCmdUI() = default;
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCSTR lpszText);
    void ContinueRouting() { m_bContinueRouting = TRUE; }
    // Asks the target; with bDisableIfNoHndler, a command nobody handles is
    // disabled. Returns TRUE when the target answered.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;
    CMenu* m_pSubMenu = nullptr;
    CMenu* m_pParentMenu = nullptr;
    CWnd* m_pOther = nullptr;
    UINT m_nIndexMax = 0;
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
};

// Finds the entry for a window message in a chain of maps; null for none.
const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP* map, UINT message);
