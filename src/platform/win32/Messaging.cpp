// CWnd on real message-only windows. One window class per module carries every CWnd; its
// procedure finds the object through the window's user data and calls its WindowProc. The
// queues, PostMessageW, SendMessageW and the rest are user32's own.
#include "OsApi.h"
#include "platform/App.h"
#include "platform/Messaging.h"

namespace
{

// Asks the owner thread to destroy the window (DestroyWindow works only on the owner thread).
// Registered on first use, never while the module is being loaded.
UINT DestroyRequest()
{
    static const UINT s_nMessage = RegisterWindowMessageW(L"Fixora_Vorn.DestroyWindow");
    return s_nMessage;
}

LRESULT CALLBACK WindowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        const auto* pCreate = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* pWnd = static_cast<CWnd*>(pCreate->lpCreateParams);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pWnd));
        pWnd->m_hWnd = hWnd;
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    auto* pWnd = reinterpret_cast<CWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pWnd == nullptr)
    {
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    if (message == DestroyRequest() && message != 0)
    {
        return ::DestroyWindow(hWnd);
    }
    if (message == WM_NCDESTROY)
    {
        // The window is gone whoever destroyed it (DestroyWindow, or its thread ending): the
        // object no longer names it.
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        pWnd->m_hWnd = nullptr;
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    return pWnd->WindowProc(message, wParam, lParam);
}

// The class is registered for the module that holds this code, once, and unregistered when the
// module goes away (a DLL reloaded at another address must not find the old procedure).
class CWindowClass
{
public:
    CWindowClass()
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &WindowProcedure;
        wc.hInstance = AfxGetResourceHandle();
        wc.lpszClassName = kName;
        m_atom = RegisterClassExW(&wc);
        if (m_atom == 0 && GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        {
            UnregisterClassW(kName, wc.hInstance);
            m_atom = RegisterClassExW(&wc);
        }
    }
    ~CWindowClass()
    {
        if (m_atom != 0)
        {
            UnregisterClassW(kName, AfxGetResourceHandle());
        }
    }
    CWindowClass(const CWindowClass&) = delete;
    CWindowClass& operator=(const CWindowClass&) = delete;

    ATOM Atom() const { return m_atom; }

    static constexpr const wchar_t* kName = L"Fixora_Vorn.Window";

private:
    ATOM m_atom = 0;
};

const CWindowClass& GetWindowClass()
{
    static const CWindowClass windowClass;
    return windowClass;
}

} // namespace

CWnd::~CWnd()
{
    if (m_hWnd != nullptr)
    {
        CWnd::DestroyWindow();
    }
    if (m_hWnd != nullptr)
    {
        // The window outlives the object (its owner thread would not destroy it): it must never
        // call into the object again.
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
    }
}

BOOL CWnd::Create()
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
    {
        return FALSE;
    }
    m_hWnd = nullptr;
    const ATOM atom = GetWindowClass().Atom();
    if (atom == 0)
    {
        return FALSE;
    }
    // WM_NCCREATE stores the handle in m_hWnd before any other message arrives.
    const HWND hWnd = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, AfxGetResourceHandle(), this);
    if (hWnd == nullptr)
    {
        m_hWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    const HWND hWnd = m_hWnd;
    if (hWnd == nullptr || FromHandlePermanent(hWnd) != this)
    {
        m_hWnd = nullptr;
        return FALSE;
    }
    if (GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId())
    {
        return ::DestroyWindow(hWnd);
    }
    // Only the owner thread may destroy a window: ask it, and wait until it has.
    return ::SendMessageW(hWnd, DestroyRequest(), 0, 0) != 0 ? TRUE : FALSE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (hWnd == nullptr || !::IsWindow(hWnd))
    {
        return nullptr;
    }
    // Only windows of this process and of this module's class carry a CWnd in their user data
    // (two modules that hold the library register two classes of the same name).
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(hWnd, &dwProcess);
    if (dwProcess != GetCurrentProcessId() ||
        GetClassLongPtrW(hWnd, GCW_ATOM) != GetWindowClass().Atom() ||
        reinterpret_cast<HINSTANCE>(GetClassLongPtrW(hWnd, GCLP_HMODULE)) != AfxGetResourceHandle())
    {
        return nullptr;
    }
    return reinterpret_cast<CWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}
