// CMainWindow: fixora's main window. It becomes the application's main window for its lifetime,
// so every record and message text the library posts arrives here; it prints each one (text or
// JSON) and deletes the record, which it owns from the moment it is posted.
#pragma once

#include "Fixora_Vorn.h"

#include <cstdio>
#include <string>

// What became of a command sent to the receiver.
enum class ECommandResult
{
    Sent,
    Refused, // the operation said it could not be carried out
    Acknowledged,
    NotAcknowledged,
    NotSent, // the receiver's device went away
};

// Also sees the position records and message texts, after they are printed (a server).
class CRecordListener
{
public:
    virtual ~CRecordListener() = default;
    virtual void OnPosition(const CGPSData& data) = 0;
    virtual void OnText(const CString& strText) = 0;
};

class CMainWindow : public CWnd
{
public:
    struct SSettings
    {
        bool bJson = false;
        bool bNoClock = false;
        bool bFlushEachLine = false; // engine-paced runs: a reader sees each record at once
        bool bPrint = true;          // false: the records go only to the listener
        bool bPrintTexts = true;     // false: message texts are not printed (live runs count them)
        CRecordListener* pListener = nullptr;
    };

    // pReceiver is the selected receiver: binary messages are stored in it, not posted. Raw
    // epochs and ephemerides also go to pDataLog when there is one.
    CMainWindow(const SSettings& settings, CDOZOzoeiver* pReceiver, CDataLog* pDataLog,
                std::FILE* pOutput);
    ~CMainWindow() override;

    // Dispatches everything waiting in this thread's queue.
    void Pump();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // A command sent to the receiver and its result, as a line like the records'.
    void PrintCommand(const std::string& strName, const std::string& strValue,
                      ECommandResult eResult);

private:
    // Prints a record as JSON (writeJson(line) appends its object to the emptied line buffer)
    // or as text (text() returns its lines).
    template <class WriteJson, class Text> void PrintRecord(WriteJson writeJson, Text text);
    void Print(const std::string& strLine);

    SSettings m_Settings;
    CDOZOzoeiver* m_pReceiver;
    CDataLog* m_pDataLog;
    std::FILE* m_pOutput;
    CWnd* m_pPreviousMain = nullptr;
    std::string m_strJsonLine; // reused, so that a JSON line needs no allocation of its own
};
