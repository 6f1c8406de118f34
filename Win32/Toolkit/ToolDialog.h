#pragma once
// The docked tool dialog, base of the editing-mode panels: a modeless
// skinned dialog that its owner (the storyboard view, through
// KLToolDialogHost) opens one at a time and that lies in the owner's mode
// panel area, aligned to its right edge and as tall as it, cut to its width
// when the area is narrower. It docks as it initialises and on every
// WM_MOVE (the view sends one whenever its layout changes). It paints its
// background from the skin with the darker control colours, draws the
// selector buttons 3038..3040 (the selected one pressed) and the colour
// swatch of button 3070, and passes the tool commands to its owner as
// message 0x410: 3229 apply, 3235 apply and hand over, 1338 restore the
// transport (sent, the focus then on that control when it exists), 1006
// close (posted, so the owner destroys the panel after its handler
// returns). Enter posts the command of the focused control (3229 for any
// other) and gives the focus back; Esc restores the transport, then asks
// the owner to close. The panel never ends itself. With an owner that is
// no host nothing docks, no preview is redrawn and GetOwnerViewItem
// answers null. UI thread only.

#include "Win32/Toolkit/SkinnedDialog.h"

class Scene;
class StoryboardItem;

// The tool commands' message to the owner: wParam the command, lParam 0.
constexpr UINT WM_KL_TOOLCOMMAND = 0x410;

class KLToolDialog : public KLBaseDialog {
public:
    // The control ids the base gives a meaning.
    static constexpr int kApply = 3229;
    static constexpr int kApplyAndHandOver = 3235;
    static constexpr int kRestoreTransport = 1338;
    static constexpr int kClose = 1006;
    static constexpr int kFirstSelector = 3038;
    static constexpr int kLastSelector = 3040;
    static constexpr int kSwatch = 3070;

    KLToolDialog(UINT nIDTemplate, CWnd* pOwner, UINT nModeCommandId, int nMode);
    ~KLToolDialog() override;

    // The owner's preview area redraws its video.
    virtual void RedrawPreview();
    virtual void AttachPreviewScene(Scene* scene, int slot);
    virtual void AttachScene(Scene* scene);
    virtual void* GetLinkedObject() { return m_pLinkedObject; }
    virtual void SetLinkedObject(void* object) { m_pLinkedObject = object; }
    virtual BOOL WantsEffectPlayer();
    // Fills the square at the right end of button 3070, inset by 5
    // pixels, with the colour and edges it sunken.
    virtual BOOL DrawColourSwatch(CDC* pDC, COLORREF colour);
    virtual void ApplyPreset(int preset);
    virtual int ApplyTemplate(void* record);
    virtual void StoreInScene(Scene* scene);
    virtual void OnCommand3235();
    virtual void OnCommand1338();
    virtual int CanAcceptDrop(int kind, LPARAM data);
    virtual int AcceptDrop(int kind, LPARAM data);

    BOOL OnInitDialog() override;

    // The owner's previewed item; null when the owner is no host.
    StoryboardItem* GetOwnerViewItem();
    void EnableDlgItem(int nID, BOOL bEnable);
    BOOL ShowDlgItem(int nID, int nCmdShow);

protected:
    void OnOK() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;

    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnMove(int x, int y);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnDestroy();
    afx_msg void OnApply();
    afx_msg void OnCloseTool();
    DECLARE_MESSAGE_MAP()

    UINT m_nModeCommandId;
    int m_nMode;
    void* m_pLinkedObject = nullptr;
    int m_nReserved = 0;
    int m_nStepsPerUnit = 20;
    COLORREF m_crSwatch = 0xFFFFFF;
    UINT m_nSelectedButton = 0;
    UINT m_nTemplateId;

private:
    // Under a wait cursor: the command to the owner, then the focus to the
    // command's control when there is one.
    void SendToolCommand(int command);
};
