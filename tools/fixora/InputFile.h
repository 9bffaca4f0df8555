// Opening the files fixora reads, with the reason in words when that is not possible.
#pragma once

#include <cstdio>
#include <string>

// Opens a file for binary reading. A missing file, a folder or a file that cannot be read gives
// null and strError saying which ("cannot read 'x': No such file or directory").
std::FILE* OpenInputFile(const std::string& strPath, std::string& strError);

// True when OpenInputFile would succeed (the file is opened and closed again).
bool IsReadableFile(const std::string& strPath, std::string& strError);
