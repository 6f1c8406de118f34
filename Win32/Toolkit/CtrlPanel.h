#pragma once
// QKLCtrlPanel: the container every control panel of the program is made
// from. A background bitmap, owner-drawn bitmap buttons built from a table
// of ButtonTableRow (bit i of the enable masks belongs to row i, the top bit
// to the shuttle), up to three text panes painted on the background, an
// optional position slider (the shuttle, id 53385), and a fixed set of
// virtual operations through which the window that owns the panel drives
// it. A click on a child button reaches OnCommand through the host window;
// by default the command goes on to the application's main window as
// WM_COMMAND, and each panel class decides otherwise for its own ids.
//
// Virtual operations keep their slot order: the 56 of ContainerElement,
// then the 24 appended below (Create first, TransmitFileToTape last); the
// DV transport panels and the preview area override and call them by name.
//
// Creation: construct (the constructor fills the table and the pane
// rectangles), Create, keep the object while the window lives; deleting the
// object destroys the window and every child. A failed Create leaves the
// panel reset: no window, no children, no font. A button whose bitmaps do
// not load is skipped, and every operation naming its id does nothing. The
// failure traces go to TRACE only. UI thread only.

#include <memory>

#include "Win32/Imaging/ResourceLoader.h"
#include "Win32/Toolkit/ButtonTableRow.h"
#include "Win32/Toolkit/ContainerElement.h"
#include "Win32/Toolkit/WindowRef.h"
#include "Win32/Utils/ResourceSwitch.h"

class ButtonElementProperties;
class CDrawContext;
class CGdiFont;
class SliderElement;

class QKLCtrlPanel : public ContainerElement {
public:
    // The position range of the shuttles that share it.
    static constexpr LONG ShuttleMinimum = 0;
    static constexpr LONG ShuttleMaximum = 200;
    static constexpr INT kShuttleId = 53385;
    static constexpr DWORD kShuttleBit = 0x80000000;
    static constexpr DWORD kPanelStyle = WS_CHILD | WS_CLIPCHILDREN;      // 0x42000000, shown by Create
    static constexpr DWORD kButtonStyle = 0x5003000B;                     // child, visible, group, tab stop, owner-drawn
    static constexpr DWORD kShuttleStyle = WS_CHILD | WS_VISIBLE;         // 0x50000000
    static constexpr WORD kRepeatMilliseconds = 300;
    static constexpr INT kPaneCount = 4;
    static constexpr UINT kPaneTextFormat = DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX; // 0x920
    static constexpr UINT kShuttleTrack = 911;
    static constexpr UINT kShuttleThumb = 372;

    QKLCtrlPanel();
    ~QKLCtrlPanel() override;

    using PanelElement::Create;

    // Not handled: false, result 0.
    bool OnPanelMessage(ElementMessage* message, LRESULT* result) override;
    // WM_COMMAND (wParam the id, lParam 0) to the main window; handled.
    bool OnCommand(UINT id, UINT code, void* extra) override;
    // Every panel class builds its window and buttons here.
    bool CreateWindow() override = 0;
    // True without drawing: the background is painted with the erase.
    bool OnPaint(CDrawContext* context, const CGfxRect& clip) override;

    // The appended operations, in slot order.
    // The parent becomes the owner window; `rowCount` > 0 narrows the table
    // to its first rows (never widens it), and given rows replace the front
    // of the table; 0 (or less) keeps the table. The window is made hidden
    // with `bounds` (a Win32 rectangle, null for an empty one) and shown on
    // success.
    virtual bool Create(CWnd* parent, UINT id, const RECT* bounds, INT rowCount, const ButtonTableRow* rows);
    // Enables each of the first `count` rows (negative: all; never past the
    // table) whose button exists by bit (i mod 32) of (mask AND enable
    // mask), and redraws it. The number of rows visited.
    virtual INT EnableButtons(DWORD mask, INT count);
    virtual void ShowButton(INT id, bool show);
    virtual void DrawPaneText(CDrawContext* context, const CGfxString& text, INT pane);
    virtual void SetPaneText(const CGfxString& text, INT pane);
    virtual void SetShuttlePosition(double time);
    // Whether the shuttle is enabled afterwards; false here.
    virtual bool SetShuttleRange(double start, double end);
    // Enables the shuttle only with the flag and the enable mask's top bit;
    // whether it is enabled now (false without a shuttle window).
    virtual bool EnableShuttle(bool enable);
    virtual void ShowShuttle(bool show);
    virtual void SetPlayState(bool playing);
    // 1: a panel without a loop button always loops.
    virtual INT GetLoop();
    virtual void SetLoop(INT loop);
    virtual void EnableButton(INT id, bool enable);
    // The button's checked property (3), then a redraw.
    virtual void SetButtonState(INT id, INT value);
    // The checked property; 0 without such a button or value.
    virtual INT GetButtonState(INT id);
    // The string of the current resource module as the button's text.
    virtual void SetButtonLabel(INT id, UINT stringId);
    virtual void SetShuttleMarker(INT marker, INT from, INT to);
    virtual void ClearShuttleMarker(INT marker);
    virtual void SetShuttleMarker2(INT from, INT to);
    virtual void ClearShuttleMarker2();
    virtual void SetShuttleMarker1(INT from, INT to);
    virtual void ClearShuttleMarker1();
    // 0: no panel of the toolkit answers requests.
    virtual INT PanelRequest(INT request);
    // 0: only the DV transport panel records a file onto tape.
    virtual INT TransmitFileToTape(INT mode, const CGfxString& path);

    // EnableButtons(mask, -1).
    void EnableButtonsByMask(DWORD mask);
    // With the enable mask's top bit clear the shuttle is disabled; then
    // every row whose bit is clear is disabled. Set bits change nothing.
    void DisableMaskedButtons();
    // Enable mask = mask AND saved mask; DisableMaskedButtons.
    void SetEnableMask(DWORD mask);
    // Enable mask = saved mask; DisableMaskedButtons. Enables nothing.
    void ResetEnableMask();
    void SetOwnerWindow(CWnd* owner);
    // The tips of the buttons are the strings of `module` under their ids.
    void EnableToolTipsFor(bool enable, HINSTANCE module);

    CWnd* GetOwnerWindow() const { return m_pOwnerWnd; }
    SliderElement* GetShuttle() const { return m_pShuttle; }
    INT GetRowCount() const { return m_nRowCount; }
    const ButtonTableRow* GetRows() const { return m_pRows.get(); }
    const RECT& GetPaneRect(INT pane) const { return m_rcPanes[pane]; }
    DWORD GetEnableMask() const { return m_dwEnableMask; }
    double GetRangeStart() const { return m_dRangeStart; }
    double GetRangeEnd() const { return m_dRangeEnd; }
    CGdiFont* GetPanelFont() const { return m_pPanelFont.get(); }
    // Label 1, 2 or 3 (the texts the panes show).
    const CGfxString& GetLabel(INT label) const
    {
        return label == 1 ? m_strLabel1 : label == 2 ? m_strLabel2 : m_strLabel3;
    }
    // The button element of the first child under `id`, or null.
    ButtonElement* FindButton(INT id);

protected:
    // What a table build holds for its whole run: the key colour, the
    // bitmap module as the current resource module, a loader over it, and
    // a reference to the panel that every button takes as parent and owner.
    struct TableBuild {
        explicit TableBuild(QKLCtrlPanel& panel);
        CRGBColor key{255, 0, 255};
        CResourceSwitch modules{kResourceBitmaps};
        CResourceLoader loader;
        WindowRef panelRef;
    };
    enum class LabelUse { AsText, FontOnly };
    enum class RowResult { Added, Skipped, Failed };

    // Replaces the table (constructors).
    void SetTable(const ButtonTableRow* rows, INT count);
    // A pane's (x, y, width, height).
    void SetPaneRect(INT pane, LONG x, LONG y, LONG width, LONG height);
    // The host window, the background (0: none) and the panel's size.
    bool StartTableBuild(TableBuild& build, UINT background, BOOL fit);
    // Every row of the table in order; false when a button cannot be made.
    bool BuildRows(TableBuild& build, LabelUse labels, const char* traceName);
    // The button of one row, added to the children, or skipped (with the
    // trace) when its bitmaps do not load.
    RowResult BuildRow(TableBuild& build, INT index, const ButtonTableRow& row, LabelUse labels,
                       const char* traceName);
    // A row's button list: parent, owner, id, bounds, style, states, repeat
    // and, with AsText, the caption from the language module.
    void DescribeRow(TableBuild& build, ButtonElementProperties& list, const ButtonTableRow& row, LabelUse labels);
    // The panel font from the skin's UI font, or with weight 400.
    bool LoadPanelFont();
    bool LoadPanelFontNormal();
    // The shuttle on pane 3 (track 911, thumb 372), disabled, at 0.
    bool CreateShuttle(TableBuild& build);
    // A transport's answer to its shuttle's WM_HSCROLL: the time under the
    // thumb (positions 0 to `span` over the range) sent to the owner as
    // `message` with 8 while tracking and 9 at the end of the scroll. False
    // for any other message.
    bool ReportShuttleScroll(ElementMessage* message, LRESULT* result, LONG span, UINT playerMessage);
    // The pane drawing: the background repainted under the pane, the text
    // in black with the panel font, single line, by `format`.
    void DrawPane(CDrawContext* context, const CGfxString& text, INT pane, UINT format = kPaneTextFormat);
    // Draws one pane at once on the panel's window.
    void DrawPaneNow(const CGfxString& text, INT pane);
    // The main window's handle, or null.
    static HWND MainWindow();
    HWND OwnerHwnd() const;

    CGfxString m_strLabel1;
    CGfxString m_strLabel2;
    CGfxString m_strLabel3;
    SliderElement* m_pShuttle = nullptr;
    CWnd* m_pOwnerWnd = nullptr;
    double m_dRangeStart = 0.0;
    double m_dRangeEnd = 100.0;
    std::unique_ptr<CGdiFont> m_pPanelFont;
    INT m_nRowCount = 0;
    std::unique_ptr<ButtonTableRow[]> m_pRows;
    RECT m_rcPanes[kPaneCount] = {};
    DWORD m_dwEnableMask = 0xFFFFFFFF;
    DWORD m_dwSavedMask = 0xFFFFFFFF;

private:
    bool MakePanelFont(bool normalWeight);
    // Undoes a failed build: children, shuttle, font and window go.
    void DiscardBuild();
};
