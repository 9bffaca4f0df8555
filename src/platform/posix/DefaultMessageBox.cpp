// Without a host handler a message box has nobody to show it to: the text goes to standard error
// and the box answers OK at once.
#include "platform/DefaultMessageBox.h"

int ShowDefaultMessageBox(const CString& strText, UINT)
{
    WriteToStandardError(strText);
    return IDOK;
}
