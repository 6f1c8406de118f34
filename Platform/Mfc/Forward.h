#pragma once
// The classes of the MFC layer, declared, for headers that need no more than
// a pointer or a reference to them. The collection templates take their
// default arguments here, once.

class CObject;
class CCmdTarget;
class CCmdUI;
class CDumpContext;
struct CRuntimeClass;
struct CCreateContext;

class CString;
class CTime;
class CTimeSpan;

class CArchive;
class CFile;
class CMemFile;
class CStdioFile;
class CFileFind;
struct CFileStatus;

class CException;
class CArchiveException;
class CFileException;
class CMemoryException;
class CNotSupportedException;
class CResourceException;
class CUserException;

template <class TYPE, class ARG_TYPE = const TYPE&> class CArray;
template <class TYPE, class ARG_TYPE = const TYPE&> class CList;
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> class CMap;
class CByteArray;
class CWordArray;
class CDWordArray;
class CUIntArray;
class CPtrArray;
class CObArray;
class CStringArray;
class CPtrList;
class CObList;
class CStringList;
class CMapPtrToPtr;
class CMapWordToPtr;
class CMapStringToPtr;
class CMapStringToOb;
class CMapStringToString;

class CPoint;
class CSize;
class CRect;
class CDC;
class CClientDC;
class CPaintDC;
class CWindowDC;
class CGdiObject;
class CPen;
class CBrush;
class CFont;
class CBitmap;
class CPalette;
class CRgn;
class CImageList;

class CWnd;
class CFrameWnd;
class CView;
class CDocument;
class CDocTemplate;
class CSingleDocTemplate;
class CDocManager;
class CMenu;
class CWinThread;
class CWinApp;
class CCommandLineInfo;
class CRecentFileList;
class CWaitCursor;

class CDialog;
class CDataExchange;
class CCommonDialog;
class CFileDialog;
class CFontDialog;
class CPropertyPage;
class CPropertySheet;

class CButton;
class CBitmapButton;
class CComboBox;
class CEdit;
class CListBox;
class CScrollBar;
class CStatic;
class CListCtrl;
class CSpinButtonCtrl;
class CTabCtrl;
class CToolBarCtrl;
class CToolTipCtrl;

class CSyncObject;
class CCriticalSection;
class CEvent;
class CMutex;
class CSemaphore;
class CSingleLock;
