// A host that links Geometry_Vorn alone: it reads a line of a text file and splits it into fields.
#include "textparse/Parser.h"
#include "textparse/TextFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main()
{
    const auto path = std::filesystem::temp_directory_path() / "geometry_host.txt";
    std::ofstream(path) << "\n  GGA,123519,4807.038,N  \r\n";
    CTextFile file(true, true);
    CString strLine;
    const bool bRead = file.Open(path.wstring().c_str(), 0) && file.ReadString(strLine);
    file.Close();
    std::filesystem::remove(path);
    CParser parser(strLine, L",", false);
    CString strTag;
    int nTime = 0;
    double dLatitude = 0.0;
    if (!bRead || !parser.GetNextString(strTag) || !parser.GetInt(nTime) ||
        !parser.GetDouble(dLatitude) || strTag != CString(L"GGA"))
    {
        std::fprintf(stderr, "geometry: the line was not read and split\n");
        return 1;
    }
    std::printf("geometry ok: %d %.3f\n", nTime, dLatitude);
    return 0;
}
