// Points the application profile at a fresh temporary file for the life of the object and puts
// the previous path back afterwards.
#pragma once

#include "platform/Framework.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

class CTempProfile
{
public:
    CTempProfile()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("fixora-profile-" + std::to_string(random()) + std::to_string(random()) + ".ini");
        m_strPrevious = AfxGetApp()->GetProfilePath();
        AfxGetApp()->SetProfilePath(CString(m_path.string().c_str()));
    }

    ~CTempProfile()
    {
        AfxGetApp()->SetProfilePath(m_strPrevious);
        std::error_code error;
        std::filesystem::remove(m_path, error);
    }

    CTempProfile(const CTempProfile&) = delete;
    CTempProfile& operator=(const CTempProfile&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

    void Write(const std::string& strContent) const
    {
        std::ofstream(m_path, std::ios::binary) << strContent;
    }

    // The file's bytes; empty when it does not exist.
    std::string Content() const
    {
        std::ifstream file(m_path, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        return content.str();
    }

private:
    std::filesystem::path m_path;
    CString m_strPrevious;
};
