#pragma once
// CFrameWnd: a top-level window around a view. LoadFrame makes it from one
// resource id: the title (the first part of the string), the menu, the
// icon of its class and, when the module has one, the accelerator table
// its PreTranslateMessage translates keys with.
//
// Its pane (the child with id AFX_IDW_PANE_FIRST, normally the view) fills
// what the client area's bars leave: RecalcLayout, on every WM_SIZE, asks
// each other child for its room with WM_SIZEPARENT and gives the pane the
// rest. Commands route to the active view (then its document), the frame,
// then the application; WM_INITMENUPOPUP asks the same route for each
// item's state (CCmdUI), greying commands nobody handles while
// m_bAutoMenuEnable is set, also for popups tracked with the frame as
// owner. With FWS_ADDTOTITLE the title shows the document:
// "doc - title" with FWS_PREFIXTITLE, else "title - doc".

#include "Platform/Mfc/AfxRes.h"
#include "Platform/Mfc/View.h"

constexpr DWORD FWS_ADDTOTITLE = 0x00008000;
constexpr DWORD FWS_PREFIXTITLE = 0x00004000;
constexpr DWORD FWS_SNAPTOBARS = 0x00002000;

// What WM_SIZEPARENT hands the children that take room from the client
// area: each takes its part off `rect`.
struct AFX_SIZEPARENTPARAMS {
    HANDLE hDWP;
    RECT rect;
    SIZE sizeTotal;
    BOOL bStretch;
};

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() = default;
    ~CFrameWnd() override;

    static const CRect rectDefault;

    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCSTR lpszMenuName = nullptr,
                DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
    BOOL LoadAccelTable(LPCSTR lpszResourceName);

    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();
    virtual CFrameWnd* GetActiveFrame() { return this; }
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    virtual void RecalcLayout(BOOL bNotify = TRUE);
    void DelayRecalcLayout(BOOL bNotify = TRUE);
    virtual void ActivateFrame(int nCmdShow = -1);
    void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    void UpdateFrameTitleForDocument(LPCSTR lpszDocName);
    void DelayUpdateFrameTitle() { m_nIdleFlags |= idleTitle; }
    HACCEL GetDefaultAccelerator() { return m_hAccelTable; }
    void SetTitle(LPCSTR lpszTitle) { m_strTitle = lpszTitle; }
    CString GetTitle() const { return m_strTitle; }

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;
    void PostNcDestroy() override;
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnClose();
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
    afx_msg void OnIdleUpdateCmdUI();

    BOOL m_bAutoMenuEnable = TRUE;
    HMENU m_hMenuDefault = nullptr;
    HACCEL m_hAccelTable = nullptr;
    UINT m_nIDHelp = 0;
    // The frame's number among the document's frames ("doc:2"); 0 alone.
    int m_nWindow = -1;

protected:
    enum { idleMenu = 1, idleTitle = 2, idleNotify = 4, idleLayout = 8 };
    UINT m_nIdleFlags = 0;
    CView* m_pViewActive = nullptr;
    CString m_strTitle;

    // A window class with the frame's icon when the module has one.
    LPCSTR GetIconWndClass(DWORD dwDefaultStyle, UINT nIDResource);

    DECLARE_MESSAGE_MAP()
};

// The part of a '\n'-separated string at iSubString; FALSE past the end.
BOOL AFXAPI AfxExtractSubString(CString& rString, LPCSTR lpszFullString, int iSubString, char chSep = '\n');
