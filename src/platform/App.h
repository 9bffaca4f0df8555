// The application object (CWinApp) with its main window and profile, the dialog class, the wait
// cursor and message boxes. Message boxes and the wait cursor go to handlers the host installs;
// without a handler a message box writes its text to standard error and answers IDOK at once.
#pragma once

#include "Messaging.h"
#include "String.h"

#include <atomic>
#include <functional>
#include <mutex>

class FIXORA_API CWinApp : public CObject
{
public:
    // The first application object constructed becomes the current one (AfxGetApp).
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The host's main window: records and texts for the host are posted to it.
    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;

    // Application profile (an INI file): integer values by section and entry.
    UINT GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue);
    // Where the profile lives; the default is <config dir>/<name>/<name>.ini, where name is the
    // application name or "Fixora_Vorn" when the application has none. An empty path restores
    // the default. Safe to call from any thread.
    void SetProfilePath(const CString& strPath);
    CString GetProfilePath() const;

    // Retrieves and dispatches one message of the calling thread's queue (blocking).
    // FALSE when the message was WM_QUIT.
    virtual BOOL PumpMessage();

    // Wait cursor: nested Begin/End pairs; the host's handler hears when the cursor appears
    // (count 0 -> 1) and goes away (1 -> 0). Restore shows it again while the count is above 0.
    void BeginWaitCursor();
    void EndWaitCursor();
    void RestoreWaitCursor();
    int GetWaitCursorCount() const { return m_nWaitCursorCount.load(); }

private:
    mutable std::mutex m_profileMutex;
    CString m_strProfilePath; // guarded by m_profileMutex; empty = the default path
    std::atomic<int> m_nWaitCursorCount{0};
};

// Template-based dialog: on this platform a message-only window bound to the layout of its
// template id in the library's resources (Create fails for an unknown id). Nothing is shown.
class CDataExchange;

class FIXORA_API CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    BOOL Create() override { return Create(m_nIDTemplate, m_pParentWnd); }
    UINT GetTemplateId() const { return m_nIDTemplate; }

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};

// Shows the wait cursor for its lifetime.
class FIXORA_API CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();
};

FIXORA_API CWinApp* AfxGetApp();
FIXORA_API CWnd* AfxGetMainWnd();
FIXORA_API HINSTANCE AfxGetResourceHandle();
FIXORA_API int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
FIXORA_API int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = UINT(-1));

// Host hooks. A message-box handler receives the text and the MB_ flags and returns the button
// (IDOK ...); it runs on the thread that shows the box, which waits until it returns.
using MessageBoxHandler = std::function<int(const CString& strText, UINT nType)>;
// A wait-cursor handler is told when the wait cursor appears (true) and goes away (false).
using WaitCursorHandler = std::function<void(bool bShow)>;
FIXORA_API void SetMessageBoxHandler(MessageBoxHandler handler);
FIXORA_API void SetWaitCursorHandler(WaitCursorHandler handler);
