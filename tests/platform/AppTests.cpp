// The application object, message boxes, the wait cursor and a dialog without its template.
#include "platform/FixoraApp.h"
#include "platform/Framework.h"
#include "resources/ResourceIds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace
{

// Removes the handlers a test installed.
struct HandlerReset
{
    ~HandlerReset()
    {
        SetMessageBoxHandler(nullptr);
        SetWaitCursorHandler(nullptr);
    }
};

} // namespace

TEST(App, ApplicationObjectMainWindowAndAMissingDialogTemplate)
{
    ASSERT_EQ(static_cast<CWinApp*>(&theApp), AfxGetApp());
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    CWnd main;
    theApp.m_pMainWnd = &main;
    EXPECT_EQ(&main, AfxGetMainWnd());
    theApp.m_pMainWnd = nullptr;

    // A dialog of the library's template, with its message map, is CAck (port/AckTests.cpp).
    CDialog missing(129);
    EXPECT_FALSE(missing.Create()) << "no such template";
    EXPECT_EQ(nullptr, missing.GetSafeHwnd());
}

TEST(App, MessageBoxesAndTheWaitCursorGoToTheHandlers)
{
    HandlerReset reset;
    std::vector<std::pair<CString, UINT>> shown;
    SetMessageBoxHandler([&](const CString& strText, UINT nType) {
        shown.emplace_back(strText, nType);
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, AfxMessageBox(L"Could not open", MB_OK | MB_ICONERROR));
    EXPECT_EQ(IDCANCEL, AfxMessageBox(IDS_ENGINE_NO_RECEIVER));
    EXPECT_EQ(IDCANCEL, AfxMessageBox(9999)) << "unknown id: an empty box";
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(CString(L"Could not open"), shown[0].first);
    EXPECT_EQ(MB_OK | MB_ICONERROR, shown[0].second);
    EXPECT_EQ(CString(L"No GPS Receiver Is Assigned."), shown[1].first);
    EXPECT_EQ(MB_OK, shown[1].second);
    EXPECT_TRUE(shown[2].first.IsEmpty());

    std::vector<bool> calls;
    SetWaitCursorHandler([&](bool bShow) { calls.push_back(bShow); });
    for (int nRound = 0; nRound < 2; ++nRound) // shown on the first, hidden on the last, again
    {
        CWaitCursor outer;
        const CWaitCursor inner;
        EXPECT_EQ(2, theApp.GetWaitCursorCount());
    }
    EXPECT_EQ((std::vector<bool>{true, false, true, false}), calls);
    theApp.EndWaitCursor();
    EXPECT_EQ(0, theApp.GetWaitCursorCount()) << "an End without Begin does not go negative";
    EXPECT_EQ(4u, calls.size());

    // Never without a message-box handler while the other thread shows boxes: the default box
    // may wait for a user.
    std::atomic<bool> bStop{false};
    std::thread user([&] {
        while (!bStop)
        {
            const int n = AfxMessageBox(L"x");
            EXPECT_TRUE(n == IDCANCEL || n == IDYES);
            CWaitCursor cursor;
        }
    });
    for (int i = 0; i < 200; ++i)
    {
        SetMessageBoxHandler([](const CString&, UINT) { return IDYES; });
        SetWaitCursorHandler([](bool) {});
        SetWaitCursorHandler(nullptr);
    }
    bStop = true;
    user.join();
}
