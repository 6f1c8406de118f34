#pragma once
// Dialog data exchange: DoDataExchange is written once with DDX_ calls
// (moving a value between a member and a control, either way) and DDV_
// calls (checking the value just taken). When taking values
// (m_bSaveAndValidate) a value that cannot be read or is out of range is
// told to the user with the framework's message, the control is focused
// (an edit's text selected) and the exchange stops with a CUserException,
// which UpdateData catches: no exception leaves UpdateData.
//
// Numbers must be whole: "12abc" or "99999999999" in an int field is
// refused, not cut or wrapped.

#include "Platform/Mfc/AfxControls.h"
#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/AfxRes.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    // The control nIDC, remembered as the one a failure focuses.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Focuses the last prepared control and throws CUserException.
    [[noreturn]] void Fail();

    int m_idLastControl = 0;
    BOOL m_bEditLastControl = FALSE;
};

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
// Also DWORD, which is UINT here.
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// nIDC is the first button of the group; value is the checked button's
// place among the group's radio buttons, -1 for none.
void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void AFXAPI DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index);
// Subclasses the control with rControl the first time.
void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
void AFXAPI DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal);
void AFXAPI DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal);
void AFXAPI DDV_MinMaxFloat(CDataExchange* pDX, float const& value, float minVal, float maxVal);
void AFXAPI DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal);
// Taking: refuses a longer text. Giving: limits the edit to nChars.
void AFXAPI DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars);
