// CWnd: a message-only window owned by the thread that creates it, with that thread's message
// queue, and the framework's message maps (ON_MESSAGE, ON_REGISTERED_MESSAGE). The queue calls
// (PostMessageW, SendMessageW, PeekMessageW, GetMessageW, DispatchMessageW) are in WinTypes.h.
// A thread's queue is made on first use and goes away when the thread ends, taking the thread's
// windows with it. A queue holds at most 10000 posted messages; further posts fail. Destroy a
// window on its owner thread; from another thread DestroyWindow first waits for a handler that
// is running for it.
#pragma once

#include "Object.h"
#include "WinTypes.h"

class CWnd;

using AFX_PMSG = LRESULT (CWnd::*)(WPARAM, LPARAM);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;            // fixed message number, or 0 with pnRegistered set
    const UINT* pnRegistered; // registered message number, read when the map is consulted
    AFX_PMSG pfn;             // nullptr ends the map
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

class FIXORA_API CWnd : public CObject
{
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Creates the message-only window, owned by the calling thread. False if already created.
    virtual BOOL Create();
    // Destroys the window; messages still queued for it are dropped and senders released.
    virtual BOOL DestroyWindow();
    HWND GetSafeHwnd() const { return m_hWnd; }

    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Every message for the window arrives here; the default consults the message map and
    // falls back to DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The window object of a handle created by this layer, or nullptr.
    static CWnd* FromHandlePermanent(HWND hWnd);

    HWND m_hWnd = nullptr;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const                                              \
    {                                                                                              \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                                \
    {                                                                                              \
        using ThisClass = theClass;                                                                \
        using TheBaseClass = baseClass;                                                            \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define ON_MESSAGE(message, memberFxn)                                                             \
    {static_cast<UINT>(message), nullptr,                                                          \
     static_cast<AFX_PMSG>(                                                                        \
         static_cast<LRESULT (ThisClass::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn))},

#define ON_REGISTERED_MESSAGE(nMessageVariable, memberFxn)                                         \
    {0, &(nMessageVariable),                                                                       \
     static_cast<AFX_PMSG>(                                                                        \
         static_cast<LRESULT (ThisClass::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn))},

#define END_MESSAGE_MAP()                                                                          \
    {                                                                                              \
        0, nullptr, nullptr                                                                        \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]};  \
    return &messageMap;                                                                            \
    }
