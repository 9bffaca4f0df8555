// The application object, dialogs, the wait cursor and message boxes (shared by every system).
#include "platform/App.h"

#include "platform/DefaultMessageBox.h"
#include "platform/Profile.h"
#include "platform/StringTable.h"
#include "platform/Utf8.h"

#include <cstdio>
#include <vector>

namespace
{

std::atomic<CWinApp*>& CurrentApp()
{
    static std::atomic<CWinApp*> app{nullptr};
    return app;
}

struct HostHandlers
{
    std::mutex mutex;
    MessageBoxHandler messageBox;
    WaitCursorHandler waitCursor;
};

HostHandlers& GetHostHandlers()
{
    static HostHandlers* handlers = new HostHandlers; // usable by statics until the very end
    return *handlers;
}

void ShowWaitCursor(bool bShow)
{
    WaitCursorHandler handler;
    {
        auto& handlers = GetHostHandlers();
        std::lock_guard lock(handlers.mutex);
        handler = handlers.waitCursor;
    }
    if (handler)
    {
        handler(bShow);
    }
}

} // namespace

void WriteToStandardError(const CString& strText)
{
    const std::string text = ToUtf8(strText.View()) + "\n";
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

// ---- CWinApp -------------------------------------------------------------------------------

CWinApp::CWinApp(LPCWSTR lpszAppName) : m_strAppName(lpszAppName)
{
    CWinApp* pExpected = nullptr;
    CurrentApp().compare_exchange_strong(pExpected, this);
}

CWinApp::~CWinApp()
{
    CWinApp* pExpected = this;
    CurrentApp().compare_exchange_strong(pExpected, nullptr);
}

UINT CWinApp::GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault)
{
    return static_cast<UINT>(
        Profile::ReadInt(GetProfilePath(), CString(lpszSection), CString(lpszEntry), nDefault));
}

BOOL CWinApp::WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue)
{
    return Profile::WriteInt(GetProfilePath(), CString(lpszSection), CString(lpszEntry), nValue)
               ? TRUE
               : FALSE;
}

void CWinApp::SetProfilePath(const CString& strPath)
{
    std::lock_guard lock(m_profileMutex);
    m_strProfilePath = strPath;
}

CString CWinApp::GetProfilePath() const
{
    std::lock_guard lock(m_profileMutex);
    if (!m_strProfilePath.IsEmpty())
    {
        return m_strProfilePath;
    }
    return Profile::DefaultPath(m_strAppName.IsEmpty() ? CString(L"Fixora_Vorn") : m_strAppName);
}

BOOL CWinApp::PumpMessage()
{
    MSG msg{};
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
    {
        return FALSE; // WM_QUIT, or no queue to read
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return TRUE;
}

void CWinApp::BeginWaitCursor()
{
    if (m_nWaitCursorCount.fetch_add(1) == 0)
    {
        ShowWaitCursor(true);
    }
}

void CWinApp::EndWaitCursor()
{
    // An End without a Begin leaves the count at 0 rather than going negative.
    int nCount = m_nWaitCursorCount.load();
    while (nCount > 0 && !m_nWaitCursorCount.compare_exchange_weak(nCount, nCount - 1))
    {
    }
    if (nCount == 1)
    {
        ShowWaitCursor(false);
    }
}

void CWinApp::RestoreWaitCursor()
{
    if (m_nWaitCursorCount.load() > 0)
    {
        ShowWaitCursor(true);
    }
}

CWinApp* AfxGetApp()
{
    return CurrentApp().load();
}

CWnd* AfxGetMainWnd()
{
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr ? pApp->m_pMainWnd : nullptr;
}

// ---- CWaitCursor ---------------------------------------------------------------------------

CWaitCursor::CWaitCursor()
{
    if (CWinApp* pApp = AfxGetApp())
    {
        pApp->BeginWaitCursor();
    }
}

CWaitCursor::~CWaitCursor()
{
    if (CWinApp* pApp = AfxGetApp())
    {
        pApp->EndWaitCursor();
    }
}

void CWaitCursor::Restore()
{
    if (CWinApp* pApp = AfxGetApp())
    {
        pApp->RestoreWaitCursor();
    }
}

// ---- CDialog -------------------------------------------------------------------------------

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog() = default;

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    if (FindDialogTemplate(nIDTemplate) == nullptr)
    {
        return FALSE;
    }
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    return CWnd::Create();
}

void CDialog::DoDataExchange(CDataExchange*) {}

// ---- message boxes and host hooks ----------------------------------------------------------

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT)
{
    const CString strText(lpszText);
    MessageBoxHandler handler;
    {
        auto& handlers = GetHostHandlers();
        std::lock_guard lock(handlers.mutex);
        handler = handlers.messageBox;
    }
    if (handler)
    {
        try
        {
            return handler(strText, nType);
        }
        catch (...)
        {
            // The box is shown by whatever thread meets the problem (often a worker thread);
            // a throwing host handler must not end that thread. The text still gets out.
            WriteToStandardError(strText);
            return IDOK;
        }
    }
    return ShowDefaultMessageBox(strText, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    // Grow the buffer until the text fits (LoadStringW fills it completely when it truncates).
    std::vector<wchar_t> buffer(256);
    int nLength = 0;
    for (;;)
    {
        nLength = LoadStringW(AfxGetResourceHandle(), nIDPrompt, buffer.data(),
                              static_cast<int>(buffer.size()));
        if (nLength < static_cast<int>(buffer.size()) - 1)
        {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return AfxMessageBox(CString(buffer.data(), nLength).GetString(), nType, nIDHelp);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    auto& handlers = GetHostHandlers();
    std::lock_guard lock(handlers.mutex);
    handlers.messageBox = std::move(handler);
}

void SetWaitCursorHandler(WaitCursorHandler handler)
{
    auto& handlers = GetHostHandlers();
    std::lock_guard lock(handlers.mutex);
    handlers.waitCursor = std::move(handler);
}
