#pragma once
// The two bars of the editing screen, one container element each, in one
// of two layouts chosen at construction:
// - the top layout: help, minimise and close at the right edge, a wide
//   decoration under them, four menu tabs at the left that drop down the
//   main frame's menus (through CPopupMenuService), and the main window's
//   title drawn as text;
// - the status layout: one command button, two separator images (both with
//   key 0: an id lookup finds the first) and three text labels.
// Buttons send their commands to AfxGetMainWnd(); nothing happens without a
// main window.
//
// Tab menus: the menus drop down at fixed offsets from the bar's top-left
// corner on the screen, and OnMenuClosed hit-tests the tabs at offsets from
// the same corner, so the menus follow the bar wherever the window manager
// puts the main window.
//
// Threads: the bar lives on the UI thread, but the library's conversion
// worker sets the status labels. The three labels are guarded by
// m_labelLock: the setters copy under it, DrawLabels copies them out under
// it and draws outside it. The caller asks for the redraw (the view
// forwards it to the UI thread).

#include <memory>
#include <mutex>

#include "Win32/Toolkit/ContainerElement.h"

class CGdiFont;

// One button of a bar: the control-panel row without its user value.
struct ToolBarRow {
    INT id;
    INT states;
    INT x;
    INT y;
    INT width;
    INT height;
    INT unused;
    INT up;
    INT down;
    INT focus;
    INT disabled;
    INT label;
};
static_assert(sizeof(ToolBarRow) == 12 * 4, "twelve 32-bit fields");

class QKLToolBar : public ContainerElement {
public:
    // The tab bits of the open-tab state.
    static constexpr INT kNoTab = 0;

    // The two layouts' tables.
    static constexpr ToolBarRow kTopRows[] = {
        {522, 1, 0, 0, 23, 31, 0, 549, 548, 550, 551, 0},
        {40009, 1, 23, 0, 23, 31, 0, 374, 375, 376, 378, 0},
        {521, 1, 46, 0, 47, 31, 0, 379, 380, 381, 382, 0},
        {-1, 2, 0, 24, 292, 31, 0, 1131, 1130, 1132, 1131, 0},
        {60450, 2, 10, 24, 74, 21, 0, 1049, 1048, 1050, 1049, 60450},
        {60451, 2, 84, 24, 74, 21, 0, 1049, 1048, 1050, 1049, 60451},
        {32850, 2, 158, 24, 74, 21, 0, 1049, 1048, 1050, 1049, 60452},
        {60453, 2, 232, 24, 74, 21, 0, 1049, 1048, 1050, 1049, 60453},
    };
    static constexpr ToolBarRow kStatusRows[] = {
        {165, 1, 1, 0, 69, 24, 0, 860, 860, 861, 860, 0},
        {0, 1, 317, 0, 1, 24, 0, 1113, 1113, 1113, 1113, 0},
        {0, 1, 806, 0, 1, 24, 0, 1113, 1113, 1113, 1113, 0},
    };
    static constexpr UINT kTopBackground = 461;
    static constexpr UINT kStatusBackground = 1052;
    static constexpr UINT kFontDescription = 2074;

    explicit QKLToolBar(BOOL statusLayout);
    ~QKLToolBar() override;

    // The container's redraw, then the labels.
    void Redraw() override;
    bool OnPanelMessage(ElementMessage* message, LRESULT* result) override;
    // Always handled; see the command table in the source.
    bool OnCommand(UINT id, UINT code, void* extra) override;
    bool CreateWindow() override;
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;

    // A visible child window of `parent` over `rect` (exclusive right and
    // bottom); false, with the bar reset, when the background, the font or
    // a button cannot be made.
    bool Create(CWnd* parent, UINT id, const RECT* rect);
    // Moves the bar (exclusive right and bottom) and redraws it; the view
    // calls RelayoutButtons after it.
    using ContainerElement::MoveTo;
    void MoveTo(const RECT* rect);
    // Top layout: the window buttons end flush with the right edge as a
    // group, the decoration ends at the right edge below them.
    void RelayoutButtons();
    // Any thread; the caller asks for the redraw.
    void SetLabel1Text(const CString& text);
    void SetLabel2Text(const CString& text);
    void SetLabel3Text(const CString& text);
    // The checked state of the button with that id, when there is one.
    void SetButtonState(INT id, INT value);
    // The main frame's report that a popup menu closed with the cursor at
    // the screen point (x, y).
    void OnMenuClosed(INT x, INT y);

    bool LoadToolBarFont();
    void DrawLabels(CDrawContext* context);

    INT GetOpenTab() const { return m_nOpenTab; }
    BOOL IsStatusLayout() const { return m_nStatusLayout; }
    CGdiFont* GetBarFont() const { return m_pFont.get(); }
    // A copy of label `index` (0 to 2); any thread.
    CGfxString GetLabel(int index) const;
    const CGfxRect& GetLabelRect(int index) const { return m_rcLabel[index]; }

private:
    void SetLabel(int index, const CString& text);
    // Opens the menu of tab `column` (0 to 3).
    void OpenTab(LONG column);
    void ReleaseTabs();
    const ToolBarRow& Row(INT index) const { return m_pRows[static_cast<size_t>(index)]; }
    CGfxRect RowBounds(const ToolBarRow& row, INT offset) const;

    std::unique_ptr<CGdiFont> m_pFont;
    CRGBColor m_crText;
    UINT m_nTextFlags;
    std::unique_ptr<ToolBarRow[]> m_pRows;
    INT m_nRowCount;
    BOOL m_nStatusLayout;
    INT m_nOpenTab = kNoTab;
    CGfxString m_label[3];
    CGfxRect m_rcLabel[3];
    CGfxPoint m_ptLabelOrigin[3];
    UINT m_nBackgroundId;
    mutable std::mutex m_labelLock;
};
