# Warning set shared by every target of the project.
add_library(fixora_warnings INTERFACE)
# Only the compilers get them: the Windows resource compiler shares the targets' options.
if(MSVC)
    target_compile_options(fixora_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:/W4>)
else()
    target_compile_options(fixora_warnings INTERFACE
        $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic>)
    option(FIXORA_WERROR "Treat warnings as errors" ON)
    if(FIXORA_WERROR)
        target_compile_options(fixora_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Werror>)
    endif()
endif()
