// The subset of the Windows API that the library calls, with the original names and meanings,
// implemented on POSIX by the files beside this one. The Windows build puts the real system
// headers in its place, so nothing here may differ from what <windows.h> declares.
#pragma once

#include "FixoraExport.h"
#include "GeometryExport.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---- fixed-width types --------------------------------------------------------------------
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using BOOL = int;
using WCHAR = wchar_t;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A HANDLE is an opaque key into the layer's handle table of kernel-like objects (events, comm
// devices); a stale or closed handle is refused, never dereferenced.
using HANDLE = void*;
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
constexpr DWORD WAIT_ABANDONED = 0x00000080u;
constexpr DWORD WAIT_TIMEOUT = 0x00000102u;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

// ---- messages -----------------------------------------------------------------------------
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr DWORD QS_ALLINPUT = 0x04FF;

struct POINT
{
    LONG x;
    LONG y;
};

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

// ---- message boxes ------------------------------------------------------------------------
constexpr UINT MB_OK = 0x00000000u;
constexpr UINT MB_OKCANCEL = 0x00000001u;
constexpr UINT MB_YESNO = 0x00000004u;
constexpr UINT MB_ICONERROR = 0x00000010u;
constexpr UINT MB_ICONWARNING = 0x00000030u;
constexpr UINT MB_ICONINFORMATION = 0x00000040u;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// ---- files --------------------------------------------------------------------------------
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001u;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010u;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD MAX_PATH = 260;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// ---- synchronisation and time (posix/Sync.cpp) ----------------------------------------------
FIXORA_API HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                               BOOL bInitialState, LPCWSTR lpName);
FIXORA_API BOOL SetEvent(HANDLE hEvent);
FIXORA_API BOOL ResetEvent(HANDLE hEvent);
GEOMETRY_API BOOL CloseHandle(HANDLE hObject);
FIXORA_API DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
FIXORA_API DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                        DWORD dwMilliseconds);
GEOMETRY_API void Sleep(DWORD dwMilliseconds);
GEOMETRY_API DWORD GetTickCount();
GEOMETRY_API DWORD GetCurrentThreadId();
GEOMETRY_API DWORD GetLastError();
GEOMETRY_API void SetLastError(DWORD dwErrCode);

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;
constexpr DWORD ERROR_DEVICE_REMOVED = 1617;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_NOT_ENOUGH_QUOTA = 1816;

// ---- window messages (posix/Messaging.cpp) --------------------------------------------------
FIXORA_API BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
FIXORA_API LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
FIXORA_API BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
FIXORA_API void PostQuitMessage(int nExitCode);
FIXORA_API BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                             UINT wRemoveMsg);
FIXORA_API BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
FIXORA_API LRESULT DispatchMessageW(const MSG* lpMsg);
FIXORA_API BOOL TranslateMessage(const MSG* lpMsg);
FIXORA_API DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll,
                                           DWORD dwMilliseconds, DWORD dwWakeMask);
FIXORA_API BOOL IsWindow(HWND hWnd);
FIXORA_API UINT RegisterWindowMessageW(LPCWSTR lpString);

// ---- resources and files (posix/StringTable.cpp, posix/Files.cpp) ---------------------------
FIXORA_API int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
FIXORA_API DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
FIXORA_API DWORD GetFileAttributesW(LPCWSTR lpFileName);

// The C runtime's wide-path fopen of the original platform. A path whose characters are all
// below 0x100 is taken byte for byte (as CString stores narrow text); any other is UTF-8 encoded.
GEOMETRY_API std::FILE* _wfopen(const wchar_t* filename, const wchar_t* mode);
