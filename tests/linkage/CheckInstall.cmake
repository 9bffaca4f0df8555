# Installs the build in BUILD_DIR into WORK_DIR/prefix, then configures, builds and runs the host
# project of SOURCE_DIR against it: once through find_package(Fixora_Vorn), once through
# pkg-config. Fails at the first step that does not succeed.
function(run_step what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${what} failed (${result}):\n${out}\n${err}")
    endif()
    set(STEP_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
# A build of some test programs alone has not built the libraries that the install copies.
run_step("build the libraries" ${CMAKE_COMMAND} --build ${BUILD_DIR} --target Fixora_Vorn Geometry_Vorn)
run_step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# A sanitized library needs a sanitized host.
set(flags "")
if(SANITIZE)
    set(flags "-fsanitize=${SANITIZE}")
endif()
file(GLOB_RECURSE pc_files ${prefix}/*/fixora_vorn.pc)
if(NOT pc_files)
    message(FATAL_ERROR "no fixora_vorn.pc under ${prefix}")
endif()
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
get_filename_component(lib_dir ${pc_dir} DIRECTORY)

foreach(mode package pkgconfig)
    set(build ${WORK_DIR}/build-${mode})
    set(use_pkgconfig OFF)
    if(mode STREQUAL "pkgconfig")
        set(use_pkgconfig ON)
    endif()
    run_step("configure (${mode})"
        ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pc_dir}
        ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -G ${GENERATOR}
            -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
            -DCMAKE_PREFIX_PATH=${prefix} -DFIXORA_LINK_WITH_PKGCONFIG=${use_pkgconfig}
            "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${flags}")
    run_step("build (${mode})" ${CMAKE_COMMAND} --build ${build})
    run_step("run (${mode})"
        ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir} ${build}/linkage_host)
    if(NOT STEP_OUTPUT MATCHES "linkage ok: latitude 48.1173")
        message(FATAL_ERROR "unexpected output (${mode}): ${STEP_OUTPUT}")
    endif()
    message(STATUS "${mode}: ${STEP_OUTPUT}")
    if(mode STREQUAL "package")
        run_step("run geometry_host"
            ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir} ${build}/geometry_host)
        if(NOT STEP_OUTPUT MATCHES "geometry ok: 123519 4807.038")
            message(FATAL_ERROR "unexpected output (geometry_host): ${STEP_OUTPUT}")
        endif()
    endif()
endforeach()
