// A fresh temporary folder for a test's files, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

class CScratchFolder
{
public:
    CScratchFolder()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() /
                 ("fixora-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~CScratchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    std::filesystem::path File(const char* pszName) const { return m_path / pszName; }
    static void Write(const std::filesystem::path& path, const std::string& strContent)
    {
        std::ofstream(path, std::ios::binary) << strContent;
    }
    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};
