// CComBuffer: the host's collection of delivered message texts.
#include "engine/ComBuffer.h"

CComBuffer::CComBuffer(const CComBuffer& other)
{
    std::lock_guard lock(other.m_Mutex);
    m_strText = other.m_strText;
    m_strAux = other.m_strAux;
    m_bStopped = other.m_bStopped.load();
    m_bOverflow = other.m_bOverflow.load();
}

CComBuffer& CComBuffer::operator=(const CComBuffer& other)
{
    if (this != &other)
    {
        std::scoped_lock lock(m_Mutex, other.m_Mutex);
        m_strText = other.m_strText;
        m_strAux = other.m_strAux;
        m_bStopped = other.m_bStopped.load();
        m_bOverflow = other.m_bOverflow.load();
    }
    return *this;
}

CComBuffer::~CComBuffer() = default;

void CComBuffer::OnRawData(CString* pMessage)
{
    if (pMessage == nullptr)
    {
        return;
    }
    std::lock_guard lock(m_Mutex);
    if (m_bStopped)
    {
        return;
    }
    // The message that finds the text already too long ends collection, and still goes in.
    if (m_strText.GetLength() > MaxTextLength)
    {
        m_bStopped = true;
        m_bOverflow = true;
    }
    m_strText += *pMessage;
}

CString CComBuffer::GetText() const
{
    std::lock_guard lock(m_Mutex);
    return m_strText;
}

void CComBuffer::Reset()
{
    std::lock_guard lock(m_Mutex);
    m_strText.Empty();
    m_bOverflow = false;
}
