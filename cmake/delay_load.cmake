# orkvane_link_delay_loaded(TARGET DLL...): links TARGET (and whatever links
# it) to Windows DLLs that are not on the KnownDLLs list, each loaded at its
# first call instead of at process start. Before the entry point runs, the
# loader would look for such a DLL in the program's own folder first (a
# download folder where anyone can drop a winhttp.dll); once the entry point
# has called SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32), the
# delay-load helper's LoadLibrary searches System32 only.
#
# MSVC does this with /DELAYLOAD. For MinGW, dlltool builds a delay-import
# library from a .def listing the functions of the toolchain's own import
# library; the helper, __delayLoadHelper2, is in the MinGW runtime. Data
# exports (such as IID_IAccessible) cannot be delay-loaded and are left out:
# take those from the headers (__uuidof).
#
# lld makes the delay-import tables itself (--delayload), and must: it keeps
# the import sections, where dlltool's delay library puts the addresses that
# the helper fills in, read-only, so the first call would fault. It delay-loads
# only from an import library of the short kind, which llvm-dlltool makes from
# the same .def.
function(orkvane_link_delay_loaded target)
    if(MSVC)
        foreach(dll IN LISTS ARGN)
            target_link_libraries(${target} PUBLIC ${dll})
            target_link_options(${target} INTERFACE /DELAYLOAD:${dll}.dll)
        endforeach()
        target_link_libraries(${target} PUBLIC delayimp)
        return()
    endif()
    set(folder ${CMAKE_BINARY_DIR}/delayload)
    file(MAKE_DIRECTORY ${folder})
    set(lld FALSE)
    if(CMAKE_EXE_LINKER_FLAGS MATCHES "-fuse-ld=lld")
        set(lld TRUE)
        find_program(ORKVANE_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14 REQUIRED)
    endif()
    foreach(dll IN LISTS ARGN)
        find_library(ORKVANE_IMPORT_LIB_${dll} NAMES ${dll} REQUIRED)
        set(importLib ${ORKVANE_IMPORT_LIB_${dll}})
        set(def ${folder}/${dll}.def)
        if(lld)
            set(delayLib ${folder}/lib${dll}_short.a)
        else()
            set(delayLib ${folder}/lib${dll}_delay.a)
        endif()
        if(NOT EXISTS ${delayLib} OR ${importLib} IS_NEWER_THAN ${delayLib})
            execute_process(COMMAND ${CMAKE_NM} --defined-only ${importLib}
                            OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
            # Each function of an import library has a code thunk: "<address> T <name>".
            string(REGEX MATCHALL "[0-9a-fA-F]+ T [^\r\n]+" thunks "${symbols}")
            set(exports "")
            foreach(thunk IN LISTS thunks)
                string(REGEX REPLACE "^[0-9a-fA-F]+ T " "" name "${thunk}")
                list(APPEND exports "${name}")
            endforeach()
            list(REMOVE_DUPLICATES exports)
            list(JOIN exports "\n" exportLines)
            file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exportLines}\n")
            if(lld)
                execute_process(COMMAND ${ORKVANE_LLVM_DLLTOOL} -m i386:x86-64 -d ${def} -l ${delayLib}
                                COMMAND_ERROR_IS_FATAL ANY)
            else()
                execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll
                                        --output-delaylib ${delayLib}
                                COMMAND_ERROR_IS_FATAL ANY)
            endif()
        endif()
        target_link_libraries(${target} PUBLIC ${delayLib})
        if(lld)
            target_link_options(${target} INTERFACE -Wl,--delayload=${dll}.dll)
        endif()
    endforeach()
endfunction()
