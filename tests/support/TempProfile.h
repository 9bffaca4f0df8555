// Points the application profile at a fresh temporary file for the life of the object and puts
// the previous path back afterwards.
#pragma once

#include "ScratchFolder.h"
#include "platform/Framework.h"

#include <filesystem>
#include <string>

class CTempProfile
{
public:
    CTempProfile() : m_path(m_folder.File("profile.ini"))
    {
        m_strPrevious = AfxGetApp()->GetProfilePath();
        AfxGetApp()->SetProfilePath(CString(m_path.string().c_str()));
    }

    ~CTempProfile() { AfxGetApp()->SetProfilePath(m_strPrevious); }

    const std::filesystem::path& Path() const { return m_path; }

    void Write(const std::string& strContent) const { CScratchFolder::Write(m_path, strContent); }

    // The file's bytes; empty when it does not exist.
    std::string Content() const { return CScratchFolder::Read(m_path); }

private:
    CScratchFolder m_folder;
    std::filesystem::path m_path;
    CString m_strPrevious;
};
