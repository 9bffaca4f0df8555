// Without a host handler a message box is the system's own, captioned with the application's
// name; it blocks the calling thread until the user closes it.
#include "OsApi.h"
#include "platform/App.h"
#include "platform/DefaultMessageBox.h"

int ShowDefaultMessageBox(const CString& strText, UINT nType)
{
    const CWinApp* pApp = AfxGetApp();
    const CString strCaption = pApp != nullptr && !pApp->m_strAppName.IsEmpty()
                                   ? pApp->m_strAppName
                                   : CString(L"Fixora_Vorn");
    const int nResult = MessageBoxW(nullptr, strText.GetString(), strCaption.GetString(), nType);
    if (nResult == 0)
    {
        // No box could be shown (no desktop, out of resources): the text still gets out.
        WriteToStandardError(strText);
        return IDOK;
    }
    return nResult;
}
