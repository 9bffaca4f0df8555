// The recorded receiver streams of tests/data/gpsd that the benchmarks play.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The bytes of every stream, in name order; none when the folder is absent.
inline std::vector<std::string> LoadRecordedStreams()
{
    const std::filesystem::path dir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "gpsd";
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(dir))
    {
        for (const auto& entry : std::filesystem::directory_iterator(dir))
        {
            if (entry.path().extension() == ".log")
            {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> streams;
    for (const auto& file : files)
    {
        std::ifstream in(file, std::ios::binary);
        streams.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return streams;
}

// Vendor receivers' messages, from the golden streams of tests/data/streams concatenated: an
// Ashtech-family receiver's binary raw-data records (MBN, PBN, SNV) with the sentences between
// them, "$BIN" blocks, and an OEM board's log replies. (None of them sends both GSA and GSV,
// after which a receiver refuses the raw records, so every pass reads the same.) Empty when a
// file is missing.
inline std::string LoadVendorStream()
{
    const std::filesystem::path dir = std::filesystem::path(FIXORA_TEST_DATA_DIR) / "streams";
    std::string all;
    for (const char* pszName : {"ashtech_raw.bin", "binary_blocks.bin", "oem_replies.nmea"})
    {
        std::ifstream in(dir / pszName, std::ios::binary);
        if (!in)
        {
            return std::string();
        }
        all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
}
