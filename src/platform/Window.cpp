// CWnd's message routing, shared by every operating system: the message maps of the class and
// its bases are searched in order, then DefWindowProc. Creation, destruction, the window table and
// the default processing are the operating-system side (posix/ or win32/Messaging.cpp).
#include "platform/Messaging.h"

CWnd::CWnd() = default;

const AFX_MSGMAP* CWnd::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, nullptr, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, &entries[0]};
    return &messageMap;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const
{
    return GetThisMessageMap();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap != nullptr ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfn != nullptr; ++pEntry)
        {
            // A registered number is read now: it may have been registered after the map was
            // built, and an entry whose number is still 0 matches nothing.
            const UINT nEntry =
                pEntry->pnRegistered != nullptr ? *pEntry->pnRegistered : pEntry->nMessage;
            if (nEntry == message && (pEntry->pnRegistered == nullptr || nEntry != 0))
            {
                return (this->*(pEntry->pfn))(wParam, lParam);
            }
        }
    }
    return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd == nullptr)
    {
        // A window that was never created must not turn this into a thread message.
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}
