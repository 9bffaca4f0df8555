# The native Windows build (mingw-w64 cross build, or MSVC): resources, the system headers'
# settings, and the header-only libraries that a cross build cannot find among its own.
enable_language(RC)

# Wide system calls only, no min/max macros, no rarely used headers (their macros would rename
# library members such as CSerialPort::SetPort).
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# The DLL beside the programs and tests that load it.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# A cross build looks for headers in the target's root only; the header-only libraries that
# Debian installs for the build machine (SimpleIni, nlohmann-json) are copied into the build
# folder, alone, so that no other Linux header can be reached by mistake.
if(CMAKE_CROSSCOMPILING)
    set(FIXORA_HOST_HEADERS_DIR ${CMAKE_BINARY_DIR}/host-headers)
    find_file(FIXORA_SIMPLEINI_HEADER SimpleIni.h PATHS /usr/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH)
    if(FIXORA_SIMPLEINI_HEADER)
        file(COPY ${FIXORA_SIMPLEINI_HEADER} DESTINATION ${FIXORA_HOST_HEADERS_DIR})
    endif()
    find_path(FIXORA_NLOHMANN_DIR nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH)
    if(FIXORA_NLOHMANN_DIR)
        file(COPY ${FIXORA_NLOHMANN_DIR}/nlohmann DESTINATION ${FIXORA_HOST_HEADERS_DIR})
    endif()
    include_directories(SYSTEM ${FIXORA_HOST_HEADERS_DIR})
    # The package that find_package(nlohmann_json) would find names /usr/include: this target
    # comes first, and the package then keeps it.
    if(FIXORA_NLOHMANN_DIR AND NOT TARGET nlohmann_json::nlohmann_json)
        add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
        set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
            INTERFACE_INCLUDE_DIRECTORIES ${FIXORA_HOST_HEADERS_DIR})
    endif()
endif()
